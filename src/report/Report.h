#pragma once

#include "pdf/PdfAttachments.h"
#include "pdf/PdfSignature.h"
#include "report/AnalysisPage.h"
#include "safety/DistanceStandard.h"

#include <QDateTime>
#include <QImage>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class Clock;
class TzPdf;

// The stop-time measurement protocol: what the main window shows of one
// series, laid out on A4 pages by the PDF writer.  No widgets here, so the
// window and the command-line tool write the same document from the same
// content.

// One report picture slot: slots 1 and 2 share the first picture page, 3 and
// 4 the second.  A null bitmap places nothing.
struct ReportPicture
{
    bool include = false;
    QString caption;
    QImage bitmap;
};

struct ReportContent
{
    QDateTime when; // local date and time of the protocol, read once

    QString companyName;
    QString userName;
    // Captions as the main window shows them.
    QString machineId;
    // The safeguard of the machine as the user named it; empty leaves the
    // header as it always was.
    QString safeguard;
    QString note;
    QString safetyDevice;
    QString deviceParams;

    // The measuring instrument.
    quint16 standstillSpeed = 0; // mm/s
    QString serialNumber;
    int calibrationDay = 0;
    int calibrationMonth = 0;
    int calibrationYear = 0;
    bool calibrated = false;

    // The stop times as the list shows them, in list order, and the
    // indicators' texts.
    QStringList values;
    QString mean;
    QString maximum;
    QString meanPlus3Sigma;

    // The ISO 13855 minimum distance of this series and safety device; none
    // where they give none (under ten values, an input that is no number, a
    // result that is not finite).
    std::optional<double> safetyDistanceMm;
    // The standard the distance is computed by, as the distance line and the
    // document's keywords name it; the line names it only when it is not
    // the default one.
    QString standardName = QStringLiteral("ISO 13855:2010");
    bool defaultStandard = true;
    // Where the device is mounted, and whether that meets the distance;
    // without it the summary keeps its request to check the distance.
    std::optional<double> installedMm;
    std::optional<DistanceVerdict> verdict;
    // Why the series gives no distance although it has ten values (a
    // refusal of the standard), printed under the distance line.
    QString noDistanceReason;
    // Why the standard stored in the project could not be read; empty when
    // it was read or there was none.
    QString standardProblem;

    QLocale locale; // separators of the safety distance line

    std::array<ReportPicture, 4> pictures;

    // The page "Analysis" after the summary and before the pictures; none
    // leaves the protocol as it always was.
    std::optional<ReportAnalysis> analysis;

    // The user's company logo, top right of the first page; a null image
    // leaves the page as it always was.
    QImage logo;
};

// Fills values, mean, maximum and meanPlus3Sigma from a series the way the
// list and the indicators format it, for callers without a window.
void setReportSeries(ReportContent &content, const std::vector<double> &stopTimes,
                     const QLocale &locale = QLocale());

// "Report_YYYYMMDD_HHMM_", the name the save dialog proposes.
QString reportFileProposal(const QDateTime &when);

// x in millimetres of a caption of n characters centred under a picture:
// (210 - n * 127/48) / 2, rounded to the nearest, halves to even: each
// character counted as 7.5 points (127/48 mm) wide.
int reportCaptionX(qsizetype characters);

// Right-aligns text in width characters; a longer text is cut to its first
// width characters (the table's columns never widen).
QByteArray rightAligned(const QByteArray &text, qsizetype width);
QString rightAligned(const QString &text, qsizetype width);

// Called with "Generating images n/6..." before each picture is placed, and
// last with the writer's fontNotice when a font was missing.
using ReportProgress = std::function<void(const QString &)>;

// What finishes a protocol after its pages: the files it carries and its
// signature.  None of them: the protocol is the one it always was.
struct ProtocolFinish
{
    std::vector<PdfAttachment> attachments;
    const SigningIdentity *signer = nullptr; // none: unsigned
    SignatureBox box;
    QDateTime signingTime;
    TimeStampAuthority authority;
};

// Starts a document in pdf, writes every page of the protocol and finishes
// it.  Text that Windows-1250 holds reaches the writer in it, as it always
// did; other names are printed whole in the writer's embedded fonts (where
// those are not installed, with "?" and the writer's fontNotice).  A
// signed protocol fills *outcome (when given) with its time stamp.
void composeReport(TzPdf &pdf, const ReportContent &content, const ReportProgress &progress = {},
                   const ProtocolFinish &finish = {}, SignatureOutcome *outcome = nullptr);

// Asked before every page and the analysis page; true cancels the report.
using ReportCancel = std::function<bool()>;

// Composes the protocol with a writer of its own and saves it to fileName.
// The writer goes on every path; a file that cannot be written throws
// ZirkError "Cannot create file ...".  clock dates the document.  False,
// and no file written or touched, when cancel said so.
// A signature that cannot be made throws SigningError, and no file is
// written or touched then either.
bool writeReport(const ReportContent &content, const QString &fileName, const Clock *clock,
                 const ReportProgress &progress = {}, const ReportCancel &cancel = {},
                 const ProtocolFinish &finish = {}, SignatureOutcome *outcome = nullptr);

// About how many times a report asks whether it is cancelled, for its
// progress bar: a page per fifty values, the analysis page, the pictures.
qint64 reportPageEstimate(const ReportContent &content);

