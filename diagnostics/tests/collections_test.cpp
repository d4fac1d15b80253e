// The collections of the diagnostics server driven in-process: the shared item list with Item, _NewEnum
// and Count, the results and the kinds of results collections, and the display messages.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "AnsiText.h"
#include "BstrHolder.h"
#include "CComPtr.h"
#include "CComVariant.h"
#include "QNAiODisplayMessage.h"
#include "QNAiODisplayMessages.h"
#include "QNAiOResult.h"
#include "QNAiOResults.h"
#include "collections_test_support.h"
#include "ocidl.h"

namespace {

using diagnostics::BstrHolder;
using diagnostics_test::New;
using diagnostics_test::ServerModule;

// The type of the result an item holds, or -1.
LONG TypeOf(const VARIANT& item) {
    if (item.vt != VT_DISPATCH || !item.pdispVal) return -1;
    CComPtr<DIQNAiOResult> result;
    if (FAILED(item.pdispVal->QueryInterface(IID_DIQNAiOResult, reinterpret_cast<void**>(&result)))) return -1;
    QNAiO_ResultTypeEnum type = QNAiO_ResultTypeUndefined;
    result->get_Type(&type);
    return type;
}

class Collections : public ServerModule {
  protected:
    // A collection of every kind holding results of the types given, in that order.
    CComPtr<CComObject<QNAiOResults>> Results(std::initializer_list<QNAiO_ResultTypeEnum> types) {
        CComPtr<CComObject<QNAiOResults>> results = New<QNAiOResults>();
        results->SetType(QNAiO_ResultsAll);
        for (QNAiO_ResultTypeEnum type : types) {
            CComVariant datum(u"datum");
            EXPECT_EQ(S_OK, results->put_Result(type, datum, nullptr));
        }
        return results;
    }
};

TEST_F(Collections, ItemIsOneBasedAndTakesAnyIndexBelowOneAsTheFirst) {
    CComPtr<CComObject<QNAiOResults>> results =
        Results({QNAiO_ResultTypeDirectoryFile, QNAiO_ResultTypeRegistryKey, QNAiO_ResultTypeRegistryValue});
    struct Row {
        LONG index;
        HRESULT result;
        LONG type;  // of the item returned
    } rows[] = {
        {0, S_OK, QNAiO_ResultTypeDirectoryFile},    {-5, S_OK, QNAiO_ResultTypeDirectoryFile},
        {1, S_OK, QNAiO_ResultTypeDirectoryFile},    {2, S_OK, QNAiO_ResultTypeRegistryKey},
        {3, S_OK, QNAiO_ResultTypeRegistryValue},    {4, E_FAIL, -1},
        {0x7FFFFFFF, E_FAIL, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.index);
        CComVariant item;
        item.vt = VT_I4;
        item.lVal = 77;
        EXPECT_EQ(row.result, results->get_Item(row.index, &item));
        if (row.result == S_OK) {
            EXPECT_EQ(row.type, TypeOf(item));
        } else {
            // Left as the caller passed it.
            EXPECT_EQ(VT_I4, item.vt);
            EXPECT_EQ(77, item.lVal);
        }
    }
    LONG count = 0;
    EXPECT_EQ(S_OK, results->get_Count(&count));
    EXPECT_EQ(3, count);
}

TEST_F(Collections, EmptyCollectionHasNoFirstItemAndCountsZero) {
    CComPtr<CComObject<QNAiODisplayMessages>> messages = New<QNAiODisplayMessages>();
    CComVariant item;
    EXPECT_EQ(E_FAIL, messages->get_Item(1, &item));
    EXPECT_EQ(VT_EMPTY, item.vt);
    LONG count = -1;
    EXPECT_EQ(S_OK, messages->get_Count(&count));
    EXPECT_EQ(0, count);
}

TEST_F(Collections, EnumeratorWalksTheLiveItemsInInsertionOrder) {
    CComPtr<CComObject<QNAiOResults>> results =
        Results({QNAiO_ResultTypeDirectoryFile, QNAiO_ResultTypeRegistryKey, QNAiO_ResultTypeRegistryValue});
    CComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, results->get__NewEnum(&unknown));
    CComPtr<IEnumVARIANT> enumerator;
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator)));

    VARIANT items[5];
    for (VARIANT& item : items) VariantInit(&item);
    ULONG fetched = 99;
    EXPECT_EQ(S_FALSE, enumerator->Next(5, items, &fetched));
    EXPECT_EQ(3u, fetched);
    EXPECT_EQ(QNAiO_ResultTypeDirectoryFile, TypeOf(items[0]));
    EXPECT_EQ(QNAiO_ResultTypeRegistryKey, TypeOf(items[1]));
    EXPECT_EQ(QNAiO_ResultTypeRegistryValue, TypeOf(items[2]));
    EXPECT_EQ(VT_EMPTY, items[3].vt);
    for (VARIANT& item : items) VariantClear(&item);

    // An item appended after the enumerator was made is seen by it.
    CComVariant datum(u"later");
    ASSERT_EQ(S_OK, results->put_Result(QNAiO_ResultTypeIni, datum, nullptr));
    CComVariant item;
    EXPECT_EQ(S_OK, enumerator->Next(1, &item, nullptr));
    EXPECT_EQ(QNAiO_ResultTypeIni, TypeOf(item));
    EXPECT_EQ(E_POINTER, enumerator->Next(2, items, nullptr));
    EXPECT_EQ(E_POINTER, enumerator->Next(1, nullptr, &fetched));

    // The enumerator keeps the collection alive.
    EXPECT_EQ(S_OK, enumerator->Reset());
    results.Release();
    item.Clear();
    EXPECT_EQ(S_OK, enumerator->Next(1, &item, &fetched));
    EXPECT_EQ(QNAiO_ResultTypeDirectoryFile, TypeOf(item));
}

TEST_F(Collections, EnumeratorOverACollectionEmptiedAndRefilled) {
    CComPtr<CComObject<QNAiODisplayMessages>> messages = New<QNAiODisplayMessages>();
    for (LONG helpId : {1, 2, 3}) ASSERT_EQ(S_OK, messages->AddMessage(nullptr, 0, helpId, nullptr));
    CComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, messages->get__NewEnum(&unknown));
    CComPtr<IEnumVARIANT> enumerator;
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator)));
    EXPECT_EQ(S_OK, enumerator->Skip(2));

    ASSERT_EQ(S_OK, messages->Clear());
    CComVariant item;
    ULONG fetched = 99;
    EXPECT_EQ(S_FALSE, enumerator->Next(1, &item, &fetched));
    EXPECT_EQ(0u, fetched);
    EXPECT_EQ(S_FALSE, enumerator->Skip(1));

    // Refilled with more items than before, and past the enumerator's position.
    for (LONG helpId : {10, 20, 30, 40}) ASSERT_EQ(S_OK, messages->AddMessage(nullptr, 0, helpId, nullptr));
    EXPECT_EQ(S_OK, enumerator->Reset());
    EXPECT_EQ(S_OK, enumerator->Skip(3));
    ASSERT_EQ(S_OK, enumerator->Next(1, &item, &fetched));
    ASSERT_EQ(VT_DISPATCH, item.vt);
    CComPtr<DIQNAiODisplayMessage> message;
    ASSERT_EQ(S_OK, item.pdispVal->QueryInterface(IID_DIQNAiODisplayMessage, reinterpret_cast<void**>(&message)));
    LONG helpId = 0;
    message->get_HelpId(&helpId);
    EXPECT_EQ(40, helpId);
}

TEST_F(Collections, KindsAcceptTheirResultTypes) {
    const std::set<LONG> none;
    std::set<LONG> all, requirements;
    for (LONG type = 1; type <= 22; ++type) all.insert(type);
    for (LONG type = 14; type <= 21; ++type) requirements.insert(type);
    struct Row {
        LONG kind;
        std::set<LONG> accepted;
    } rows[] = {
        {-1, none},         {0, none},        {1, {1}},         {2, {2}},
        {3, {3}},           {4, {4}},         {5, {2, 3, 4}},   {6, {9, 10, 13}},
        {7, {5}},           {8, {9, 10, 13}}, {9, {6}},         {10, {7}},
        {11, {5, 6, 8}},    {12, {9, 10, 11, 13}},              {13, {12}},
        {14, requirements}, {15, all},        {16, none},       {17, none},
    };
    for (const Row& row : rows) {
        CComPtr<CComObject<QNAiOResults>> results = New<QNAiOResults>();
        results->SetType(static_cast<QNAiO_ResultsEnum>(row.kind));
        LONG expectedCount = 0;
        for (LONG type = -1; type <= 23; ++type) {
            SCOPED_TRACE("kind " + std::to_string(row.kind) + ", type " + std::to_string(type));
            const bool accepted = row.accepted.count(type) != 0;
            EXPECT_EQ(accepted, QNAiOResults::AcceptsResultType(row.kind, type));
            CComVariant datum(u"x");
            EXPECT_EQ(accepted ? S_OK : E_FAIL,
                      results->put_Result(static_cast<QNAiO_ResultTypeEnum>(type), datum, nullptr));
            if (accepted) ++expectedCount;
            LONG count = -1;
            results->get_Count(&count);
            EXPECT_EQ(expectedCount, count);
        }
    }
}

TEST_F(Collections, PutResultAddsAResultAndHandsItOutOnlyWhenAsked) {
    CComPtr<CComObject<QNAiOResults>> results = New<QNAiOResults>();
    results->SetType(QNAiO_ResultsRegistryAll);
    QNAiO_ResultsEnum kind = QNAiO_ResultsUndefined;
    EXPECT_EQ(S_OK, results->get_Type(&kind));
    EXPECT_EQ(QNAiO_ResultsRegistryAll, kind);

    CComVariant text(u"HKEY_CURRENT_USER\\Software");
    EXPECT_EQ(S_OK, results->put_Result(QNAiO_ResultTypeRegistryKey, text, nullptr));
    CComPtr<IDispatch> handedOut;
    EXPECT_EQ(S_OK, results->put_Result(QNAiO_ResultTypeRegistryValue, text, &handedOut));
    CComVariant second;
    ASSERT_EQ(S_OK, results->get_Item(2, &second));
    ASSERT_EQ(VT_DISPATCH, second.vt);
    EXPECT_TRUE(handedOut.IsEqualObject(second.pdispVal));

    // The result holds its own copy of the datum.
    CComPtr<DIQNAiOResult> result;
    ASSERT_EQ(S_OK, handedOut->QueryInterface(IID_DIQNAiOResult, reinterpret_cast<void**>(&result)));
    text.Clear();
    CComVariant data;
    EXPECT_EQ(S_OK, result->get_Data(&data));
    ASSERT_EQ(VT_BSTR, data.vt);
    EXPECT_EQ(u"HKEY_CURRENT_USER\\Software", std::u16string(data.bstrVal));
    EXPECT_EQ(S_OK, result->WriteInfo(nullptr));

    // A datum that cannot be copied is kept as the copy's failure.
    VARIANT broken;
    VariantInit(&broken);
    broken.vt = 0x7F;
    CComPtr<IDispatch> failed;
    ASSERT_EQ(S_OK, results->put_Result(QNAiO_ResultTypeRegistryValueData, broken, &failed));
    CComPtr<DIQNAiOResult> failedResult;
    ASSERT_EQ(S_OK, failed->QueryInterface(IID_DIQNAiOResult, reinterpret_cast<void**>(&failedResult)));
    data.Clear();
    EXPECT_EQ(S_OK, failedResult->get_Data(&data));
    EXPECT_EQ(VT_ERROR, data.vt);
    EXPECT_TRUE(FAILED(data.scode));

    // Results does nothing, and leaves its out-argument alone.
    IDispatch* untouched = reinterpret_cast<IDispatch*>(0x1234);
    EXPECT_EQ(S_OK, results->get_Results(QNAiO_ResultsAll, &untouched));
    EXPECT_EQ(reinterpret_cast<IDispatch*>(0x1234), untouched);
    EXPECT_EQ(S_OK, results->WriteInfo(nullptr));
}

TEST_F(Collections, DataOfAnObjectDatumAddsAReferenceEachTime) {
    CComPtr<CComObject<QNAiODisplayMessage>> found = New<QNAiODisplayMessage>();
    CComPtr<CComObject<QNAiOResults>> results = New<QNAiOResults>();
    results->SetType(QNAiO_ResultsAll);
    CComVariant datum(static_cast<IDispatch*>(static_cast<DIQNAiODisplayMessage*>(found)));
    CComPtr<IDispatch> added;
    ASSERT_EQ(S_OK, results->put_Result(QNAiO_ResultTypeIni, datum, &added));
    datum.Clear();
    CComPtr<DIQNAiOResult> result;
    ASSERT_EQ(S_OK, added->QueryInterface(IID_DIQNAiOResult, reinterpret_cast<void**>(&result)));

    const LONG before = found->m_dwRef;
    CComVariant first, second;
    ASSERT_EQ(S_OK, result->get_Data(&first));
    ASSERT_EQ(S_OK, result->get_Data(&second));
    ASSERT_EQ(VT_DISPATCH, first.vt);
    EXPECT_TRUE(found.IsEqualObject(first.pdispVal));
    EXPECT_EQ(before + 2, found->m_dwRef);
    first.Clear();
    second.Clear();
    // The collection's release of its results releases their data.
    results.Release();
    result.Release();
    added.Release();
    EXPECT_EQ(1, found->m_dwRef);
}

TEST_F(Collections, DisplayMessageMembers) {
    CComPtr<CComObject<QNAiODisplayMessage>> message = New<QNAiODisplayMessage>();
    LONG value = -1;
    EXPECT_EQ(S_OK, message->get_Severity(&value));
    EXPECT_EQ(0, value);
    EXPECT_EQ(S_OK, message->get_HelpId(&value));
    EXPECT_EQ(0, value);
    BstrHolder text;
    EXPECT_EQ(S_OK, message->get_Message(&text));
    ASSERT_NE(nullptr, text.m_str);
    EXPECT_EQ(0u, text.Length());
    IDispatch* results = reinterpret_cast<IDispatch*>(0x1234);
    EXPECT_EQ(E_FAIL, message->get_Results(&results));
    EXPECT_EQ(nullptr, results);

    EXPECT_EQ(S_OK, message->put_Severity(2));
    EXPECT_EQ(S_OK, message->put_HelpId(4012));
    BstrHolder given(u"Memoria insufficiente");
    EXPECT_EQ(S_OK, message->put_Message(given));
    given.Empty();
    text.Empty();
    EXPECT_EQ(S_OK, message->get_Message(&text));
    EXPECT_EQ(u"Memoria insufficiente", std::u16string(text.m_str));
    message->get_Severity(&value);
    EXPECT_EQ(2, value);
    message->get_HelpId(&value);
    EXPECT_EQ(4012, value);

    // Results holds one reference, and lets go of it when replaced.
    CComPtr<CComObject<QNAiOResults>> first = New<QNAiOResults>();
    CComPtr<CComObject<QNAiOResults>> second = New<QNAiOResults>();
    EXPECT_EQ(E_POINTER, message->put_Results(nullptr));
    EXPECT_EQ(S_OK, message->put_Results(static_cast<DIQNAiOResults*>(first)));
    EXPECT_EQ(2, first->m_dwRef);
    EXPECT_EQ(S_OK, message->put_Results(static_cast<DIQNAiOResults*>(second)));
    EXPECT_EQ(1, first->m_dwRef);
    CComPtr<IDispatch> held;
    EXPECT_EQ(S_OK, message->get_Results(&held));
    EXPECT_TRUE(second.IsEqualObject(held));
    EXPECT_EQ(S_OK, message->WriteInfo(nullptr));

    // Init with the very text already held keeps it.
    EXPECT_EQ(S_OK, message->Init(text, 1, 7, nullptr));
    BstrHolder again;
    message->get_Message(&again);
    EXPECT_EQ(u"Memoria insufficiente", std::u16string(again.m_str));
    EXPECT_EQ(S_OK, message->put_Message(nullptr));
    again.Empty();
    EXPECT_EQ(S_OK, message->get_Message(&again));
    EXPECT_EQ(0u, again.Length());
}

TEST_F(Collections, DisplayMessagesMembers) {
    CComPtr<CComObject<QNAiODisplayMessages>> messages = New<QNAiODisplayMessages>();
    CComPtr<CComObject<QNAiOResults>> found = New<QNAiOResults>();
    BstrHolder text(u"Nessun problema rilevato");
    EXPECT_EQ(S_OK, messages->AddMessage(text, 0, 11, nullptr));
    EXPECT_EQ(S_OK, messages->AddMessage(text, 1, 12, static_cast<DIQNAiOResults*>(found)));
    EXPECT_EQ(S_OK, messages->AddMessage(nullptr, 2, 13, nullptr));

    // The message added without results has none.
    CComVariant item;
    ASSERT_EQ(S_OK, messages->get_Item(1, &item));
    CComPtr<DIQNAiODisplayMessage> first;
    ASSERT_EQ(S_OK, item.pdispVal->QueryInterface(IID_DIQNAiODisplayMessage, reinterpret_cast<void**>(&first)));
    CComPtr<IDispatch> results;
    EXPECT_EQ(E_FAIL, first->get_Results(&results));
    item.Clear();
    ASSERT_EQ(S_OK, messages->get_Item(2, &item));
    CComPtr<DIQNAiODisplayMessage> second;
    ASSERT_EQ(S_OK, item.pdispVal->QueryInterface(IID_DIQNAiODisplayMessage, reinterpret_cast<void**>(&second)));
    EXPECT_EQ(S_OK, second->get_Results(&results));
    EXPECT_TRUE(found.IsEqualObject(results));

    // Messages with the collection itself appends a copy of each item present when it started.
    auto* self = static_cast<IDispatch*>(static_cast<DIQNAiODisplayMessages*>(messages));
    EXPECT_EQ(S_OK, messages->put_Messages(self));
    LONG count = 0;
    messages->get_Count(&count);
    EXPECT_EQ(6, count);
    for (LONG index = 1; index <= 3; ++index) {
        CComVariant original, copy;
        messages->get_Item(index, &original);
        messages->get_Item(index + 3, &copy);
        EXPECT_EQ(original.pdispVal, copy.pdispVal) << index;
    }
    // Only another display-message collection, or a null one, is refused.
    EXPECT_EQ(E_INVALIDARG, messages->put_Messages(static_cast<DIQNAiOResults*>(found)));
    EXPECT_EQ(E_POINTER, messages->put_Messages(nullptr));
    CComPtr<CComObject<QNAiODisplayMessages>> other = New<QNAiODisplayMessages>();
    EXPECT_EQ(S_OK, other->put_Messages(self));
    other->get_Count(&count);
    EXPECT_EQ(6, count);

    // The Message get makes a message that is not added; the put adds one.
    CComPtr<IDispatch> made;
    EXPECT_EQ(S_OK, messages->get_Message(&made));
    CComPtr<DIQNAiODisplayMessage> madeMessage;
    EXPECT_EQ(S_OK, made->QueryInterface(IID_DIQNAiODisplayMessage, reinterpret_cast<void**>(&madeMessage)));
    messages->get_Count(&count);
    EXPECT_EQ(6, count);
    EXPECT_EQ(E_INVALIDARG, messages->put_Message(nullptr));
    EXPECT_EQ(S_OK, messages->put_Message(made));
    messages->get_Count(&count);
    EXPECT_EQ(7, count);

    EXPECT_EQ(S_OK, messages->Clear());
    messages->get_Count(&count);
    EXPECT_EQ(0, count);
    EXPECT_EQ(E_NOTIMPL, messages->WriteInfo(nullptr));
}

// Each class of the shape answers for its own dual interface only, and has no connection points.
TEST_F(Collections, ErrorInformationAndConnectionPoints) {
    CComPtr<CComObject<QNAiOResult>> result = New<QNAiOResult>();
    CComPtr<CComObject<QNAiOResults>> results = New<QNAiOResults>();
    CComPtr<CComObject<QNAiODisplayMessage>> message = New<QNAiODisplayMessage>();
    CComPtr<CComObject<QNAiODisplayMessages>> messages = New<QNAiODisplayMessages>();
    struct Row {
        const char* name;
        IUnknown* object;
        const IID* own;
    } rows[] = {
        {"result", static_cast<DIQNAiOResult*>(result), &IID_DIQNAiOResult},
        {"results", static_cast<DIQNAiOResults*>(results), &IID_DIQNAiOResults},
        {"message", static_cast<DIQNAiODisplayMessage*>(message), &IID_DIQNAiODisplayMessage},
        {"messages", static_cast<DIQNAiODisplayMessages*>(messages), &IID_DIQNAiODisplayMessages},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CComPtr<ISupportErrorInfo> support;
        ASSERT_EQ(S_OK, row.object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)));
        EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(*row.own));
        EXPECT_EQ(S_FALSE, support->InterfaceSupportsErrorInfo(IID_IDispatch));
        EXPECT_EQ(S_FALSE, support->InterfaceSupportsErrorInfo(row.own == &IID_DIQNAiOResult ? IID_DIQNAiOResults
                                                                                              : IID_DIQNAiOResult));
        CComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(S_OK,
                  row.object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)));
        CComPtr<IConnectionPoint> point;
        EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(*row.own, &point));
        CComPtr<IDispatch> dispatch;
        EXPECT_EQ(S_OK, row.object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
    }
}

// A null out-pointer is refused before any other work.
TEST_F(Collections, NullOutPointersGiveEPointer) {
    CComPtr<CComObject<QNAiOResult>> result = New<QNAiOResult>();
    CComPtr<CComObject<QNAiOResults>> results = New<QNAiOResults>();
    CComPtr<CComObject<QNAiODisplayMessage>> message = New<QNAiODisplayMessage>();
    CComPtr<CComObject<QNAiODisplayMessages>> messages = New<QNAiODisplayMessages>();
    results->SetType(QNAiO_ResultsAll);
    CComVariant datum(u"x");
    results->put_Result(QNAiO_ResultTypeIni, datum, nullptr);
    messages->AddMessage(nullptr, 0, 0, nullptr);
    struct Row {
        const char* name;
        HRESULT result;
    } rows[] = {
        {"result Data", result->get_Data(nullptr)},
        {"result Type", result->get_Type(nullptr)},
        {"results Item", results->get_Item(1, nullptr)},
        {"results _NewEnum", results->get__NewEnum(nullptr)},
        {"results Count", results->get_Count(nullptr)},
        {"results Type", results->get_Type(nullptr)},
        {"message Severity", message->get_Severity(nullptr)},
        {"message Message", message->get_Message(nullptr)},
        {"message HelpId", message->get_HelpId(nullptr)},
        {"message Results", message->get_Results(nullptr)},
        {"messages Item", messages->get_Item(1, nullptr)},
        {"messages Count", messages->get_Count(nullptr)},
        {"messages Message", messages->get_Message(nullptr)},
    };
    for (const Row& row : rows) EXPECT_EQ(E_POINTER, row.result) << row.name;
}

}  // namespace
