#pragma once

#include "reports/LaidOutDocument.h"

class QPrinter;
class QWidget;

namespace reports {

// Sends the document to the default printer as one job: one copy, all pages,
// no dialog, a small progress window while the pages go out. Returns false,
// having done nothing, when there is no printer.
bool printToDefaultPrinter(const LaidOutDocument& document);

// Prints on a printer already set up (by the print dialog): its page range and
// copy count are honoured. Shows the progress window.
void printDocument(const LaidOutDocument& document, QPrinter& printer, QWidget* parent = nullptr);

// The print dialog (printer, copies, page range), shown through the modal
// seam. Returns true when the user chose to print.
bool runPrintDialog(QPrinter& printer, int pageCount, QWidget* parent);

}  // namespace reports
