#include "report/Report.h"

#include "base/NumberFormat.h"
#include "base/Seams.h"
#include "pdf/zPdf.h"
#include "report/ReportIdentity.h"
#include "report/ReportLogo.h"
#include "series/Statistics.h"

#include <cmath>

namespace {

constexpr double kA4Width = 210.0;
constexpr double kA4Height = 297.0;

// Font numbers of the writer.
constexpr int kHelveticaBold = 2;
constexpr int kCourier = 5;
constexpr int kCourierBold = 6;

// The values table fills a page from y = 133 (first page) or 277 down to
// above the bottom margin, one row each 5 mm.
constexpr int kTableTop = 133;
constexpr int kPageTop = 277;
constexpr int kRowStep = 5;
constexpr int kTableBottom = 20;
constexpr int kSummaryHeight = 50;
constexpr int kExplanationHeight = 70;

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QByteArray rule()
{
    return QByteArray(85, '-');
}

// Unwinds a report the user cancelled; writeReport then writes nothing.
struct Cancelled
{
};

class ReportWriter
{
public:
    ReportWriter(TzPdf &pdf, const ReportContent &content, const ReportProgress &progress,
                 const ReportCancel &cancel = {}, const ProtocolFinish &finish = {},
                 SignatureOutcome *outcome = nullptr)
        : m_pdf(pdf), m_content(content), m_progress(progress), m_cancel(cancel), m_finish(finish),
          m_outcome(outcome)
    {
    }

    void write()
    {
        m_pdf.StartCreating();
        // The document's properties say what it is, as a file manager or a
        // document archive lists them.
        const ReportContent &c = m_content;
        m_pdf.setAuthor(zpdf::documentText(c.userName));
        m_pdf.setProducer("Orvel Pdf export library (zPdf)");
        m_pdf.setCreator(QByteArray("Zirk ") + ZIRK_VERSION);
        m_pdf.setTitle("Stop time measurement protocol");
        m_pdf.setSubject(zpdf::documentText(c.machineId));
        QStringList keywords;
        for (const QString &k : {c.safetyDevice, c.deviceParams, c.standardName}) {
            if (!k.trimmed().isEmpty())
                keywords.append(k.trimmed());
        }
        m_pdf.setKeywords(zpdf::documentText(keywords.join(QStringLiteral(", "))));

        addPage();
        header();
        int y = valuesTable();
        y = summary(y);
        explanation(y);
        checkCancel();
        if (m_content.analysis)
            writeAnalysisPage(m_pdf, *m_content.analysis, m_content.safetyDevice, m_content.deviceParams,
                              m_content.locale);
        pictures();
        attachFiles(m_pdf, m_finish.attachments);
        if (m_finish.signer) {
            const SignatureOutcome outcome = signPdfDocument(m_pdf, *m_finish.signer, m_finish.box,
                                                             m_finish.signingTime, m_finish.authority);
            if (m_outcome)
                *m_outcome = outcome;
        } else {
            m_pdf.FinishCreating();
        }
        // A name printed with "?" for want of a font is said where the
        // progress is shown: the status bar keeps it.
        if (m_progress && !m_pdf.fontNotice().isEmpty())
            m_progress(m_pdf.fontNotice());
    }

private:
    void addPage()
    {
        checkCancel();
        m_pdf.AddPage(kA4Width, kA4Height);
    }

    void checkCancel()
    {
        if (m_cancel && m_cancel())
            throw Cancelled{};
    }

    // Names as typed: what Windows-1250 lacks goes in an embedded font.
    void text(int x, int y, int font, int size, const QString &s)
    {
        m_pdf.TextXYUnicode(x, y, font, size, s);
    }

    void header()
    {
        const ReportContent &c = m_content;
        const QDate date = c.when.date();
        const QTime time = c.when.time();
        struct Field
        {
            int y;
            const char *label;
            QString value;
        };
        const Field fields[] = {
            {255, "Date:", twoDigits(date.day()) + '.' + twoDigits(date.month()) + '.' + twoDigits(date.year())},
            {249, "Time:", twoDigits(time.hour()) + ':' + twoDigits(time.minute())},
            {243, "Company:", c.companyName},
            {237, "Measured by:", c.userName},
            {227, "Machine ID:", c.machineId},
            {221, "Note:", c.note},
            {215, "Safety Device:", c.safetyDevice},
            {209, "Device params:", c.deviceParams},
            {199, "Standstill Speed:", QString::number(c.standstillSpeed) + QStringLiteral(" mm/s")},
            {193, "Device ID:",
             QStringLiteral("Zirk device, Manufacturer: %1, %2")
                 .arg(QLatin1String(ReportIdentity::kManufacturerName),
                      QLatin1String(ReportIdentity::kManufacturerWeb))},
            {187, "Device SN:", c.serialNumber},
            {181, "Last Calibration:",
             QStringLiteral("%1/%2/%3").arg(c.calibrationDay).arg(c.calibrationMonth).arg(c.calibrationYear)},
        };

        text(50, 270, kHelveticaBold, 18, QStringLiteral("Stop time measurement protocol"));
        if (!c.logo.isNull()) {
            const LogoPlacement at = logoPlacement(c.logo.size());
            m_pdf.Image(logoForReport(c.logo), at.x, at.y, at.width, at.height);
        }
        // A named safeguard takes the line under the machine ID, and the
        // lines below move down by one to make room; the table below them
        // stays where it is.
        const bool named = !c.safeguard.isEmpty();
        constexpr int kMachineIdY = 227;
        constexpr int kLineStep = 6;
        auto place = [named](int y) { return named && y < kMachineIdY ? y - kLineStep : y; };
        for (const Field &f : fields) {
            text(15, place(f.y), kHelveticaBold, 10, QLatin1String(f.label));
            text(50, place(f.y), kCourier, 10, f.value);
        }
        if (named) {
            text(15, kMachineIdY - kLineStep, kHelveticaBold, 10, QStringLiteral("Safeguard:"));
            text(50, kMachineIdY - kLineStep, kCourier, 10, c.safeguard);
        }
        if (!c.calibrated)
            text(50, place(175), kCourierBold, 12, QStringLiteral("Device should be Calibrated!"));
        text(70, 160, kCourierBold, 18, QStringLiteral("Measured Values"));
        text(15, 145, kCourierBold, 10,
             QString(19, QLatin1Char(' ')) + '#' + QString(21, QLatin1Char(' ')) + QStringLiteral("Result [ms]"));
        m_pdf.TextXY(15, 139, kCourier, 10, rule());
    }

    // Returns the y below the last row.
    int valuesTable()
    {
        static const QString lead(11, QLatin1Char(' '));
        static const QString gap(15, QLatin1Char(' '));
        int y = kTableTop;
        QString row;
        for (qsizetype i = 0; i < m_content.values.size(); ++i) {
            row.clear();
            row.append(lead);
            row.append(rightAligned(QString::number(i + 1), 10));
            row.append(gap);
            // A locale's thousands separator may be one Windows-1250 lacks
            // (the narrow no-break space of French).
            row.append(rightAligned(m_content.values[i], 15));
            m_pdf.TextXYUnicode(15, y, kCourier, 10, row);
            y -= kRowStep;
            if (y <= kTableBottom) {
                addPage();
                y = kPageTop;
            }
        }
        return y;
    }

    int summary(int y)
    {
        const ReportContent &c = m_content;
        if (y <= kSummaryHeight) {
            addPage();
            y = kPageTop;
        }
        m_pdf.TextXY(15, y, kCourier, 10, rule());
        text(15, y - 10, kCourierBold, 10, QStringLiteral("Mean time:             ") + c.mean);
        text(15, y - 15, kCourierBold, 10, QStringLiteral("Maximum time:          ") + c.maximum);
        text(15, y - 20, kCourierBold, 10, QStringLiteral("+3 standard deviation: ") + c.meanPlus3Sigma);
        // Where the series gives no distance the line says so as the main
        // window does: never -1, 0 or a number of another series.  An
        // infinite or NaN distance is none.
        const std::optional<double> &mm = c.safetyDistanceMm;
        // The standard's name makes the line longer: a smaller size keeps it
        // on the page.
        // The minimum is printed rounded up, as the verdict compares it.
        text(15, y - 30, kCourierBold, c.defaultStandard ? 14 : 12,
             QStringLiteral("Safety Distance")
                 + (c.defaultStandard ? QString() : QStringLiteral(" [") + c.standardName + QStringLiteral("]"))
                 + QStringLiteral(": ") + (mm && std::isfinite(*mm) ? formatDistanceMm(*mm, c.locale) + QStringLiteral(" / ")
                            + formatNumber(roundUpTo(*mm / 25.4, 2), 2, 5, c.locale) + QStringLiteral(" Inch")
                                             : kNoValueMm));
        if (c.installedMm && c.verdict)
            text(15, y - 35, kCourierBold, 12,
                 QStringLiteral("Installed ") + formatInstalledMm(*c.installedMm, c.locale) + QStringLiteral(": ")
                     + verdictText(*c.verdict, c.locale));
        else
            text(15, y - 35, kCourierBold, 14, QStringLiteral("Check for minimum safety Distance!"));
        // Where the number would stand, the reason there is none, and a
        // standard that was not read from the project is not passed over.
        // Courier 8 pt holds about a hundred characters a line.
        int bottom = y - 35;
        auto wrapped = [this, &bottom](const QString &line) {
            for (const QString &part : wrapWords(line, 100)) {
                bottom -= 4;
                text(15, bottom, kCourierBold, 8, part);
            }
        };
        if (!(mm && std::isfinite(*mm)) && !c.noDistanceReason.isEmpty())
            wrapped(QStringLiteral("No safety distance: ") + c.noDistanceReason + QLatin1Char('.'));
        if (!c.standardProblem.isEmpty())
            wrapped(QStringLiteral("The standard stored in the project could not be read (") + c.standardProblem
                    + QStringLiteral(")."));
        return bottom;
    }

    // Lines of at most `width` characters, broken between words.
    static QStringList wrapWords(const QString &line, qsizetype width)
    {
        QStringList lines;
        QString current;
        for (const QString &word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!current.isEmpty() && current.size() + 1 + word.size() > width) {
                lines << current;
                current.clear();
            }
            current += (current.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        if (!current.isEmpty())
            lines << current;
        return lines;
    }

    void explanation(int y)
    {
        if (y <= kExplanationHeight) {
            addPage();
            y = kPageTop;
        }
        struct Line
        {
            int below;
            int font;
            const char *text;
        };
        static const Line lines[] = {
            {15, kCourierBold, nullptr}, // the heading, below
            {20, kCourierBold, "How to calculate the overall system stopping performance"},
            {25, kCourier, "One measurement is not sufficient for calculating the minimum distance. At least 10 measurements are"},
            {30, kCourier, "required."},
            {35, kCourier, "A statistical way of covering 99,7% of all individuals in a normally distrbuted population is to calculate the"},
            {40, kCourier, "mean value +-3 standard deviations."},
            {45, kCourier, "The highest measured value or the mean plus three standard deviations, whichever is the greater, should be"},
            {50, kCourier, "used in the calculation if the minimum distance."},
        };
        // The text tells how the governing stop time is chosen; under another
        // standard of the distance its heading says so, so that the page does
        // not read as the standard the distance was computed by.
        const QByteArray heading = m_content.defaultStandard
            ? QByteArray("ISO 13855:2010")
            : QByteArray("Method of choosing the stop time: ISO 13855:2010");
        for (const Line &l : lines)
            m_pdf.TextXY(15, y - l.below, l.font, 8, l.text ? QByteArray(l.text) : heading);
    }

    void picture(int slot, int pictureY, int captionY)
    {
        const ReportPicture &p = m_content.pictures[size_t(slot - 1)];
        if (!p.include)
            return;
        if (m_progress)
            m_progress(QStringLiteral("Generating images %1/6...").arg(slot));
        m_pdf.Image(p.bitmap, 35, pictureY, 140, 105);
        m_pdf.TextXYUnicode(reportCaptionX(qsizetype(p.caption.toUcs4().size())), captionY, kCourier, 14, p.caption);
    }

    void pictures()
    {
        const auto &slotList = m_content.pictures;
        for (int first : {1, 3}) {
            if (!slotList[size_t(first - 1)].include && !slotList[size_t(first)].include)
                continue;
            addPage();
            picture(first, 180, 159);
            picture(first + 1, 30, 20);
        }
    }

    TzPdf &m_pdf;
    const ReportContent &m_content;
    const ReportProgress &m_progress;
    const ReportCancel &m_cancel;
    const ProtocolFinish &m_finish;
    SignatureOutcome *m_outcome;
};

} // namespace

void setReportSeries(ReportContent &content, const std::vector<double> &stopTimes, const QLocale &locale)
{
    content.values.clear();
    content.values.reserve(qsizetype(stopTimes.size()));
    for (const double v : stopTimes)
        content.values.append(formatListValue(v, locale));
    const std::optional<SeriesStatistics> stats = computeStatistics(stopTimes);
    content.mean = stats ? formatStatisticMs(stats->mean, locale) : kNoValueMs;
    content.maximum = stats ? formatStatisticMs(stats->maximum, locale) : kNoValueMs;
    content.meanPlus3Sigma = stats ? formatStatisticMs(stats->meanPlus3Sigma, locale) : kNoValueMs;
}

QString reportFileProposal(const QDateTime &when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    return QStringLiteral("Report_") + twoDigits(d.year()) + twoDigits(d.month()) + twoDigits(d.day())
        + '_' + twoDigits(t.hour()) + twoDigits(t.minute()) + '_';
}

int reportCaptionX(qsizetype characters)
{
    // (210 - n * 127/48) / 2 = (10080 - 127 n) / 96, rounded in integers.
    const qint64 numerator = 10080 - 127 * qint64(characters);
    const qint64 denominator = 96;
    qint64 quotient = numerator / denominator;
    qint64 remainder = numerator % denominator;
    if (remainder < 0) { // floor division
        --quotient;
        remainder += denominator;
    }
    if (2 * remainder > denominator || (2 * remainder == denominator && quotient % 2 != 0))
        ++quotient;
    return int(quotient);
}

QByteArray rightAligned(const QByteArray &text, qsizetype width)
{
    if (text.size() >= width)
        return text.left(width);
    return QByteArray(width - text.size(), ' ') + text;
}

QString rightAligned(const QString &text, qsizetype width)
{
    if (text.size() >= width)
        return text.left(width);
    return QString(width - text.size(), QLatin1Char(' ')) + text;
}

void composeReport(TzPdf &pdf, const ReportContent &content, const ReportProgress &progress,
                   const ProtocolFinish &finish, SignatureOutcome *outcome)
{
    ReportWriter(pdf, content, progress, {}, finish, outcome).write();
}

bool writeReport(const ReportContent &content, const QString &fileName, const Clock *clock,
                 const ReportProgress &progress, const ReportCancel &cancel, const ProtocolFinish &finish,
                 SignatureOutcome *outcome)
{
    TzPdf pdf(clock);
    try {
        ReportWriter(pdf, content, progress, cancel, finish, outcome).write();
    } catch (const Cancelled &) {
        return false;
    }
    pdf.SaveToFile(fileName);
    return true;
}

qint64 reportPageEstimate(const ReportContent &content)
{
    qint64 pictures = 0;
    for (const ReportPicture &p : content.pictures)
        pictures += p.include ? 1 : 0;
    return 2 + content.values.size() / 50 + (content.analysis ? 1 : 0) + (pictures + 1) / 2;
}

