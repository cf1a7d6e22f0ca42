#include "report/AnalysisPage.h"

#include "base/CodePage.h"
#include "base/NumberFormat.h"
#include "chart/ChartLayout.h"
#include "pdf/zPdf.h"
#include "series/SeriesResult.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kA4Width = 210.0;
constexpr double kA4Height = 297.0;

constexpr int kHelvetica = 1;
constexpr int kHelveticaBold = 2;
constexpr int kCourier = 5;
constexpr int kCourierBold = 6;

// The chart: plot area in page millimetres (from the lower-left corner).
constexpr int kPlotLeft = 32;
constexpr int kPlotRight = 165;
constexpr int kPlotBottom = 160;
constexpr int kPlotTop = 250;

// The calculation below it, Courier 9 pt: 94 columns fill 180 mm.
constexpr int kTextTop = 140;
constexpr int kTextBottom = 20;
constexpr int kTextStep = 5;
constexpr int kColumns = 94;

// Runs closer than this get no marker of their own.
constexpr double kLeastMarkerSpacingMm = 4.0;

// Whole millimetres on the page.  A value a damaged file put beyond any
// sensible scale lies far off the chart; it is held just off the page
// rather than handed on as a number no integer holds.
int pageMm(double mm)
{
    return int(std::lround(std::clamp(mm, -kA4Height, 2 * kA4Height)));
}

int pageX(double x)
{
    return pageMm(x);
}

// Layout y runs down from the page's top edge, the writer's y up from its
// bottom edge.
int pageY(double y)
{
    return pageMm(kA4Height - y);
}

ChartLineKind lineKind(GoverningStatistic g)
{
    return g == GoverningStatistic::MeanPlus3Sigma ? ChartLineKind::MeanPlus3Sigma : ChartLineKind::Maximum;
}

QString lineName(ChartLineKind kind)
{
    switch (kind) {
    case ChartLineKind::Mean:
        return QStringLiteral("Mean");
    case ChartLineKind::MeanPlus3Sigma:
        return QStringLiteral("Mean + 3 SD");
    case ChartLineKind::Maximum:
        return QStringLiteral("Maximum");
    }
    return {};
}

// Breaks text into lines of at most width characters at blanks; the first
// line keeps the text's leading blanks, the following ones start with
// indent.
QStringList wrapped(const QString &text, int width, const QString &indent)
{
    QStringList lines;
    qsizetype lead = 0;
    while (lead < text.size() && text[lead] == QLatin1Char(' '))
        ++lead;
    QString line = text.left(lead);
    bool lineHasWord = false;
    for (const QString &word : text.mid(lead).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (lineHasWord && line.size() + 1 + word.size() > width) {
            lines << line;
            line = indent;
            lineHasWord = false;
        }
        line += (lineHasWord ? QStringLiteral(" ") : QString()) + word;
        lineHasWord = true;
    }
    lines << line;
    return lines;
}

class AnalysisWriter
{
public:
    AnalysisWriter(TzPdf &pdf, const QLocale &locale) : m_pdf(pdf), m_locale(locale) {}

    void write(const ReportAnalysis &analysis, const QString &deviceCaption, const QString &deviceParams)
    {
        const SeriesResult result = computeSeriesResult(analysis.stopTimes, analysis.device, analysis.choice);
        m_pdf.AddPage(kA4Width, kA4Height);
        text(15, 270, kHelveticaBold, 18, QStringLiteral("Analysis"));
        text(15, 262, kHelvetica, 9,
             QStringLiteral("Stop times in run order with their mean, mean + 3 standard deviations and maximum; "
                            "the bold line is the governing stop time."));
        chart(analysis.stopTimes, result);
        calculation(analysis, result, deviceCaption, deviceParams);
    }

private:
    void text(int x, int y, int font, int size, const QString &s)
    {
        m_pdf.TextXYUnicode(x, y, font, size, s);
    }

    void chart(const std::vector<double> &values, const SeriesResult &result)
    {
        ChartInput input;
        input.values = values;
        input.statistics = result.statistics;
        if (result.governing != GoverningStatistic::None)
            input.governing = lineKind(result.governing);
        ChartFrame frame;
        frame.plot = QRectF(kPlotLeft, kA4Height - kPlotTop, kPlotRight - kPlotLeft, kPlotTop - kPlotBottom);
        // The writer places whole millimetres: one column per millimetre.
        frame.columnWidth = 1.0;
        frame.xTickSpacing = 18.0;
        frame.yTickSpacing = 12.0;
        frame.labelHeight = 7.0; // name above value, 7 pt each
        const ChartLayout layout = layoutChart(input, frame, m_locale);

        // Grid, frame and ticks.
        for (const ChartTick &t : layout.yTicks) {
            const int y = pageY(t.position);
            m_pdf.Line(kPlotLeft, y, kPlotRight, y, 0, 1, 4);
            const QByteArray label = toWindows1250(t.label);
            text(pageX(kPlotLeft - 1.5 - helveticaWidthMm(label, 8)), y - 1, kHelvetica, 8, t.label);
        }
        for (const ChartTick &t : layout.xTicks) {
            const int x = pageX(t.position);
            m_pdf.Line(x, kPlotBottom, x, kPlotTop, 0, 1, 4);
            const QByteArray label = toWindows1250(t.label);
            text(pageX(t.position - helveticaWidthMm(label, 8) / 2), kPlotBottom - 5, kHelvetica, 8, t.label);
        }
        m_pdf.Rectangle(kPlotLeft, kPlotBottom, kPlotRight, kPlotTop, 1, 0, 0);
        text(kPlotLeft, kPlotTop + 2, kHelvetica, 8, QStringLiteral("ms"));
        text(pageX((kPlotLeft + kPlotRight) / 2.0 - 3), kPlotBottom - 10, kHelvetica, 8, QStringLiteral("Run"));

        // From the tenth run on the series gives a distance.
        if (layout.tenthRunX) {
            const int x = pageX(*layout.tenthRunX);
            m_pdf.Line(x, kPlotBottom, x, kPlotTop, 1, 2, 2);
            if (x - kPlotLeft > 30) // room for the note left of the mark
                text(x - 1 - int(std::ceil(helveticaWidthMm("distance from run 10", 7))), kPlotTop - 4, kHelvetica,
                     7, QStringLiteral("distance from run 10"));
            else
                text(x + 1, kPlotTop - 4, kHelvetica, 7, QStringLiteral("distance from run 10"));
        }

        // The runs, joined in order; whole millimetres make many segments
        // of a decimated trace coincide, and those are left out.
        int lastX = 0, lastY = 0;
        bool first = true;
        for (const QPointF &p : layout.trace) {
            const int x = pageX(p.x()), y = pageY(p.y());
            if (!first && (x != lastX || y != lastY))
                m_pdf.Line(lastX, lastY, x, y, 1, 0, 0);
            lastX = x;
            lastY = y;
            first = false;
        }
        const double spacing = layout.xOf(2) - layout.xOf(1);
        if (!layout.decimated && spacing >= kLeastMarkerSpacingMm) {
            for (const QPointF &p : layout.trace)
                m_pdf.Polygon(pageX(p.x()), pageY(p.y()), 1, 0, 360, 4, 1, 0, 0);
        }

        // The statistic lines, each its own dash; the governing one solid
        // and bold, with its label in bold.
        for (const ChartLine &l : layout.lines) {
            const int y = pageY(l.y);
            int dashOn = 4, dashOff = 2;
            if (l.kind == ChartLineKind::MeanPlus3Sigma)
                dashOn = 2, dashOff = 2;
            else if (l.kind == ChartLineKind::Maximum)
                dashOn = 8, dashOff = 2;
            if (l.governing)
                m_pdf.Line(kPlotLeft, y, kPlotRight, y, 2, 0, 0);
            else
                m_pdf.Line(kPlotLeft, y, kPlotRight, y, 1, dashOn, dashOff);
            const int labelY = pageY(l.labelY);
            const int font = l.governing ? kHelveticaBold : kHelvetica;
            text(kPlotRight + 2, labelY + 1, font, 7, lineName(l.kind));
            text(kPlotRight + 2, labelY - 2, font, 7, l.label);
        }
    }

    void line(int font, int size, const QString &s)
    {
        if (m_y <= kTextBottom) {
            m_pdf.AddPage(kA4Width, kA4Height);
            m_y = 277;
        }
        text(15, m_y, font, size, s);
        m_y -= kTextStep;
    }

    void wrappedLine(int font, const QString &s, const QString &indent)
    {
        for (const QString &l : wrapped(s, kColumns, indent))
            line(font, 9, l);
    }

    // "  Tr = 59.000 ms" in bold and where the value comes from beside it
    // when both fit on one line, else below it: the later standards name
    // more values than the page would otherwise hold.
    void valueWithOrigin(const QString &value, const QString &origin)
    {
        constexpr double kCourier9Mm = 9 * 0.6 * 25.4 / 72.0; // advance of one character
        const int gap = 2;
        if (value.size() + gap + origin.size() > kColumns) {
            wrappedLine(kCourierBold, value, QStringLiteral("      "));
            wrappedLine(kCourier, QStringLiteral("      ") + origin, QStringLiteral("      "));
            return;
        }
        if (m_y <= kTextBottom) {
            m_pdf.AddPage(kA4Width, kA4Height);
            m_y = 277;
        }
        text(15, m_y, kCourierBold, 9, value);
        text(15 + int(std::ceil((value.size() + gap) * kCourier9Mm)), m_y, kCourier, 9, origin);
        m_y -= kTextStep;
    }

    void calculation(const ReportAnalysis &analysis, const SeriesResult &result, const QString &deviceCaption,
                     const QString &deviceParams)
    {
        m_y = kTextTop;
        const DistanceStandard *standard = result.standard;
        line(kHelveticaBold, 12,
             QStringLiteral("Safety distance after ")
                 + (standard ? standard->name() : QStringLiteral("an unknown standard")));
        m_y -= 2;
        wrappedLine(kCourier, QStringLiteral("Safety device: ") + deviceCaption + QStringLiteral(", ") + deviceParams,
                    QString(15, QLatin1Char(' ')));

        const std::size_t n = analysis.stopTimes.size();
        if (!result.enoughValues()) {
            wrappedLine(kCourierBold,
                        QStringLiteral("No safety distance: ISO 13855 asks for at least %1 measurements of the stop "
                                       "time; the series holds %2.")
                            .arg(kMinimumValuesForDistance)
                            .arg(formatNumber(double(n), 0, 0, m_locale)),
                        QStringLiteral("  "));
            return;
        }
        if (!result.governingMs) {
            wrappedLine(kCourierBold,
                        QStringLiteral("No safety distance: the series holds stop times that are no numbers, so "
                                       "mean + 3 standard deviations is unknown."),
                        QStringLiteral("  "));
            return;
        }
        const bool plain = standard == &defaultDistanceStandard();
        if (plain && !analysis.device.parameter()) {
            wrappedLine(kCourierBold,
                        analysis.device.ID >= 0 && analysis.device.ID < SafetyDeviceKindCount
                            ? QStringLiteral("No safety distance: the safety device's input (d, H, C or h) is not a "
                                             "number.")
                            : QStringLiteral("No safety distance: no formula for this kind of safety device."),
                        QStringLiteral("  "));
            return;
        }
        const DistanceResult &r = result.distance;
        if (!r.formula.isEmpty())
            wrappedLine(kCourier, QStringLiteral("Formula:       ") + r.formula.render(m_locale),
                        QString(15, QLatin1Char(' ')));
        m_y -= 1;
        for (const DistanceValue &v : r.values) {
            const QString value = QStringLiteral("  ") + v.symbol + QStringLiteral(" = ") + v.renderValue(m_locale);
            const QString note = v.note.render(m_locale);
            // The ISO 13855:2010 notes say where each value comes from in
            // their own words; that page stays the protocol it always was.
            if (plain) {
                wrappedLine(kCourierBold, value, QStringLiteral("      "));
                wrappedLine(kCourier, QStringLiteral("      ") + note, QStringLiteral("      "));
                continue;
            }
            valueWithOrigin(value,
                            originText(v.origin) + (note.isEmpty() ? QString() : QStringLiteral(": ") + note));
        }
        m_y -= 1;
        for (const DistanceText &s : r.lines)
            wrappedLine(kCourier, QStringLiteral("  ") + s.render(m_locale), QStringLiteral("      "));
        for (const DistanceText &w : r.warnings)
            wrappedLine(kCourierBold, QStringLiteral("  Warning: ") + w.render(m_locale), QStringLiteral("      "));
        m_y -= 2;

        // The result as the main window shows it.
        if (result.distanceMm && std::isfinite(*result.distanceMm)) {
            const QString mm = formatDistanceMm(*result.distanceMm, m_locale).trimmed();
            const QString inch = formatDistanceInch(*result.distanceInch, m_locale).trimmed();
            line(kCourierBold, 12,
                 QStringLiteral("Safety distance: ")
                     + (standard && standard->inchesFirst() ? inch + QStringLiteral(" / ") + mm
                                                            : mm + QStringLiteral(" / ") + inch));
        } else if (!r.noDistanceReason.isEmpty() && !result.notFinite) {
            wrappedLine(kCourierBold, QStringLiteral("No safety distance: ") + r.noDistanceReason.render(m_locale)
                                          + QStringLiteral("."),
                        QStringLiteral("  "));
        } else {
            line(kCourierBold, 12, QStringLiteral("No safety distance: the formula gives no finite value."));
        }
        if (analysis.choice.installedMm) {
            // As entered, never rounded up; the verdict compares it with the
            // minimum rounded up to whole mm.
            QString comparison = QStringLiteral("Installed distance: ")
                + formatInstalledMm(*analysis.choice.installedMm, m_locale)
                + QStringLiteral(" / ")
                + renderQuantity({roundDownTo(*analysis.choice.installedMm / kMmPerInch, 2), DistanceUnit::Inch}, m_locale);
            comparison += r.verdict ? QStringLiteral(": ") + verdictText(*r.verdict, m_locale)
                                    : QStringLiteral(": no comparison without a safety distance");
            wrappedLine(kCourierBold, comparison, QStringLiteral("  "));
        }
    }

    TzPdf &m_pdf;
    const QLocale &m_locale;
    int m_y = kTextTop;
};

} // namespace

double helveticaWidthMm(const QByteArray &text, int size)
{
    // Advance widths of Helvetica in thousandths of the size; what the
    // chart writes is digits, separators, signs and a few letters.
    double units = 0.0;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            units += 556;
        else if (c == '.' || c == ',' || c == ' ' || c == '\xa0')
            units += 278;
        else if (c == '-')
            units += 333;
        else if (c == 'i' || c == 'l')
            units += 222;
        else if (c == 'r' || c == 't' || c == 'f')
            units += 300;
        else if (c == 'm' || c == 'w')
            units += 833;
        else
            units += 556;
    }
    return units / 1000.0 * size * 25.4 / 72.0;
}

void writeAnalysisPage(TzPdf &pdf, const ReportAnalysis &analysis, const QString &deviceCaption,
                       const QString &deviceParams, const QLocale &locale)
{
    AnalysisWriter(pdf, locale).write(analysis, deviceCaption, deviceParams);
}
