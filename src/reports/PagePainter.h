#pragma once

#include "reports/LaidOutDocument.h"

#include <functional>

class QPainter;
class QPagedPaintDevice;

namespace reports {

// Paints one laid-out page with the paper's top-left corner at the painter's
// origin, pxPerMm device pixels to the millimetre. Fonts keep their point
// sizes relative to that scale, whatever the device's resolution.
void paintPage(QPainter& painter, const LaidOutPage& page, double pxPerMm);

// Pages fromPage..toPage (1-based, 0 = to the end) on a printer or PDF
// writer, whose page setup is set to the document's with no margins of its
// own. progress(done, total) runs after each page.
void paintDocument(const LaidOutDocument& document, QPagedPaintDevice& device, int fromPage = 1,
                   int toPage = 0, const std::function<void(int, int)>& progress = {});
// The given pages (0-based indexes, repeats allowed: copies a printer cannot make itself).
void paintPages(const LaidOutDocument& document, QPagedPaintDevice& device, const QList<int>& pages,
                const std::function<void(int, int)>& progress = {});
// 0-based indexes of pages fromPage..toPage (1-based, 0 = to the end) that exist.
QList<int> pageRange(const LaidOutDocument& document, int fromPage, int toPage);

// Writes the document to a PDF file; throws ReportError when it cannot.
void writePdf(const LaidOutDocument& document, const QString& path);

}  // namespace reports
