#pragma once

#include <initializer_list>

class TADOIBQuery;
class TControl;
class TEdit;
class TMaskEdit;
class TMessages;

// The branch entry of both computation screens: its code, the name shown beside it, the
// branch lookup query and the table its messages come from.
class TBranchField {
public:
    TBranchField(TMaskEdit* code, TEdit* name, TADOIBQuery* query, const TMessages* messages);

    // Checks the typed branch against the lookup and shows its name. An empty branch is an
    // error only when `reportEmpty`; a failure leaves the focus on the code.
    void Vd_Filial(bool reportEmpty);
    // The host's single-branch mode: the code and the controls that go with it (its label, its
    // lookup) cannot be changed, and the code looks like a display field.
    void applyHostMode(std::initializer_list<TControl*> companions);
    // Before the lookup lists: every branch.
    void beforeLookup();
    // After a pick: the picked branch's code and name.
    void afterLookup();

private:
    TMaskEdit* m_code;
    TEdit* m_name;
    TADOIBQuery* m_query;
    const TMessages* m_messages;
};
