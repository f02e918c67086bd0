#pragma once

#include "reports/ReportDefinition.h"

#include <QString>

// The three printed registration forms.
namespace reports::forms {

// Row set names the forms' fields are bound to.
inline const QString kEmployerRows = QStringLiteral("ADOStoredProc1");
inline const QString kPersonRows = QStringLiteral("ADOStoredProc2");
inline const QString kSecondLevelRows = QStringLiteral("ADOQuery_EJ");

inline const QString kSheet1Title = QStringLiteral("社会保险登记表（表一）");
inline const QString kSheet2Title = QStringLiteral("社会保险补充登记表（表二）");
inline const QString kPersonTitle = QStringLiteral("参加社会保险人员情况登记表");

// Employer form, sheet one (QuickRep1) over kEmployerRows.
ReportDefinition employerSheet1();
// Employer form, sheet two (QuickRep2) over kEmployerRows and kSecondLevelRows.
ReportDefinition employerSheet2();
// Person form (QuickRep3) over kPersonRows.
ReportDefinition personForm();

}  // namespace reports::forms
