#pragma once
// Text measures of the surface a report is laid out for. The layout itself
// is plain arithmetic on these measures, so it can be checked without a
// printer; the printing side answers them from the printer's own fonts.

#include <QString>

struct ReportFont {
    double points = 7;
    bool bold = false;
};

class IReportMetrics
{
public:
    virtual ~IReportMetrics() = default;
    // Both in device pixels of the surface.
    virtual double textWidth(const QString& text, const ReportFont& font) const = 0;
    virtual double textHeight(const QString& text, const ReportFont& font) const = 0;
};
