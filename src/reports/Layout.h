#pragma once

#include "reports/LaidOutDocument.h"
#include "reports/ReportDefinition.h"
#include "reports/RowSource.h"
#include "store/Error.h"

#include <QString>

namespace reports {

// A report that cannot be produced (a missing row set or column). A store
// error, so callers that show store errors show these too.
class ReportError : public store::Error {
  public:
    using store::Error::Error;
};

struct LayoutOptions {
    // Empty: the user's short date format from the settings.
    QString shortDateFormat;
};

// Walks the report's row set from its first row and lays out the pages: the
// page header at the top of every page, the detail band once per row (a new
// page when it does not fit above the footer, or before every row when the
// band asks for it), the page footer at the bottom of every page. An empty
// row set still gives one page with header and footer.
LaidOutDocument layoutReport(const ReportDefinition& report, const RowSources& sources,
                             const LayoutOptions& options = {});

}  // namespace reports
