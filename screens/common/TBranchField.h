#pragma once

class TADOIBQuery;
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
