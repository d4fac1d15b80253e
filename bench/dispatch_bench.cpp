// IDispatch answered from type information: Invoke of a property get by dispatch id, a method call with
// arguments to coerce, and GetIDsOfNames of one name, on a widget whose Invoke goes to its type
// information as a dual interface's does.
#include <benchmark/benchmark.h>

#include <memory>

#include "dispatch_widget_object.h"
#include "platform/testing/test_machine.h"

namespace {

constexpr char16_t kProgram[] = u"C:\\Bench\\dispatch_bench.exe";

// The machine, and the widget's type information from the program's own TYPELIB resource.
struct Setting {
    platform::TestMachine machine;
    widget_test::Held<ITypeLib> library;
    widget_test::Held<ITypeInfo> info;
    widget_test::WidgetObject* widget = nullptr;

    Setting() {
        machine.Module("C:\\Bench\\dispatch_bench.exe");
        LoadTypeLibEx(kProgram, REGKIND_NONE, library.out());
        library->GetTypeInfoOfGuid(IID_IWidget, info.out());
        widget = new widget_test::WidgetObject(info.get());
        widget->count = 42;
    }
    ~Setting() { widget->Release(); }
};

Setting& Shared() {
    static auto setting = std::make_unique<Setting>();
    return *setting;
}

void BM_InvokePropertyGet(benchmark::State& state) {
    IDispatch* dispatch = Shared().widget;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    UINT argumentError = 0;
    for (auto _ : state) {
        HRESULT invoked =
            dispatch->Invoke(2, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, &argumentError);
        benchmark::DoNotOptimize(invoked);
        benchmark::DoNotOptimize(result.lVal);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InvokePropertyGet);

void BM_InvokeMethodWithCoercions(benchmark::State& state) {
    IDispatch* dispatch = Shared().widget;
    // Scale(factor, times, note): a long for the double, text for the long, the note missing.
    VARIANT arguments[2];
    VariantInit(&arguments[0]);
    arguments[0].vt = VT_BSTR;
    arguments[0].bstrVal = SysAllocString(u"3");
    VariantInit(&arguments[1]);
    arguments[1].vt = VT_I4;
    arguments[1].lVal = 2;
    DISPPARAMS parameters{arguments, nullptr, 2, 0};
    VARIANT result;
    UINT argumentError = 0;
    for (auto _ : state) {
        HRESULT invoked =
            dispatch->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, &parameters, &result, nullptr, &argumentError);
        benchmark::DoNotOptimize(invoked);
        benchmark::DoNotOptimize(result.dblVal);
    }
    state.SetItemsProcessed(state.iterations());
    VariantClear(&arguments[0]);
}
BENCHMARK(BM_InvokeMethodWithCoercions);

void BM_GetIDsOfNamesOne(benchmark::State& state) {
    IDispatch* dispatch = Shared().widget;
    LPOLESTR name = const_cast<LPOLESTR>(u"describe");
    DISPID id = 0;
    for (auto _ : state) {
        HRESULT found = dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
        benchmark::DoNotOptimize(found);
        benchmark::DoNotOptimize(id);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetIDsOfNamesOne);

}  // namespace

BENCHMARK_MAIN();
