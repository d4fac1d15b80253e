// The display messages that routines and tests collect for the results dialog, in the order added.
#pragma once

#include "DispatchCollection.h"

class QNAiODisplayMessages
    : public diagnostics::DispatchCollection<QNAiODisplayMessages, &CLSID_QNAiODisplayMessages,
                                             DIQNAiODisplayMessages, &IID_DIQNAiODisplayMessages> {
  public:
    BEGIN_COM_MAP(QNAiODisplayMessages)
    KENRO_OBJECT_INTERFACES(DIQNAiODisplayMessages)
    END_COM_MAP()

    STDMETHOD(AddMessage)(BSTR Message, LONG Severity, LONG HelpId, IDispatch* Results) override;
    // Appends every item of another display-message collection, or of this one: the items present when
    // it starts are read by their 1-based index.
    STDMETHOD(put_Messages)(IDispatch* newVal) override;
    STDMETHOD(put_Message)(IDispatch* newVal) override;
    // A new, empty display message, not added to the collection.
    STDMETHOD(get_Message)(IDispatch** pVal) override;
    STDMETHOD(Clear)() override;
    STDMETHOD(WriteInfo)(BSTR FileName) override;
};
