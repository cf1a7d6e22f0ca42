#pragma once

#include "safety/MinimumDistance.h"

#include <QLocale>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// One safety-distance standard behind one small interface: the main window,
// the calculator, the protocol, zirk-cli and the archive all ask a standard
// for the distance together with its written-out calculation, so that the
// number and its explanation can never disagree.  The standards are listed by
// the registry at the end of this header; a new one is one new unit and one
// line there.
//
// The calculation is kept as numbers; texts are rendered in the user's
// number format only when shown, so that computing stays cheap.

inline constexpr double kMmPerInch = 25.4;

enum class DistanceUnit {
    Millimetre,
    MillimetrePerSecond,
    Second,
    Millisecond,
    Inch,
    InchPerSecond,
    Count, // a number of values, no unit
};

struct Quantity
{
    double value = 0.0;
    DistanceUnit unit = DistanceUnit::Millimetre;
};

// A fixed English text with up to eight quantities in it (%1 .. %8), each
// rendered with its unit and the decimals that unit is shown with.
struct DistanceText
{
    static constexpr int kMaxArgs = 8;

    QString text;
    std::array<Quantity, kMaxArgs> args{};
    int argCount = 0;

    DistanceText() = default;
    DistanceText(const QString &t) : text(t) {}
    DistanceText(const QString &t, std::initializer_list<Quantity> quantities);

    bool isEmpty() const { return text.isEmpty(); }
    QString render(const QLocale &locale = QLocale()) const;
};

// "1,600 mm/s", "0.100000 s", "12.5 mm", "20.97 in" in the locale's format.
QString renderQuantity(const Quantity &q, const QLocale &locale = QLocale());

// Where a value of the calculation comes from.
enum class ValueOrigin {
    Measured,         // the governing stop time of the series
    Entered,          // typed by the user (a device's d, H, C, h or an entry of the standard)
    StandardConstant, // fixed by the standard (or a value the standard's rule derives)
    Default,          // an optional entry the user left empty
};

// "measured", "entered", "standard constant", "default".
QString originText(ValueOrigin origin);

// One value of the calculation: "K = 1,600 mm/s", why it is what it is.
struct DistanceValue
{
    QString symbol;
    Quantity quantity;
    std::optional<Quantity> alsoAs; // the same value in another unit ("204.868 ms = 0.204868 s")
    ValueOrigin origin = ValueOrigin::StandardConstant;
    DistanceText note;

    // "0.100000 s" or "100.000 ms = 0.100000 s".
    QString renderValue(const QLocale &locale = QLocale()) const;
};

// The optional entries a standard may read besides the device and the
// stop time.
enum DistanceEntry : unsigned {
    EntryResponseTime = 1u << 0,  // Tr, ms
    EntryBrakeMonitor = 1u << 1,  // setting of the brake monitor, ms
    EntryApproachSpeed = 1u << 2, // K, mm/s
    EntryDds = 1u << 3,           // D_DS, mm
    EntrySupplement = 1u << 4,    // Z, mm
    EntryDpf = 1u << 5,           // Dpf, mm
    EntryNoEncroachment = 1u << 6, // two-hand control: reaching in is excluded
};
using DistanceEntries = unsigned;

// The entries a standard reads besides the safety device, and where the
// device is actually mounted: one set of fields for the measurement's
// choice, the project file's block and the calculation.  Empty optionals
// are entries the user left empty (or fields whose text is no number).
struct StandardEntries
{
    std::optional<double> trMs;
    std::optional<double> brakeMonitorMs;
    std::optional<double> kMmPerS;
    std::optional<double> ddsMm;
    std::optional<double> zMm;
    std::optional<double> dpfMm;
    bool noEncroachment = false;
    std::optional<double> installedMm;

    friend bool operator==(const StandardEntries &, const StandardEntries &) = default;
};

// What a calculation starts from.
struct DistanceInputs : StandardEntries
{
    int kind = 0; // SafetyDeviceKind
    // The device's own measures: d (resolution), H (height of the zone), C
    // (a door's additional distance), h (a mat's step height), mm.
    std::optional<double> d;
    std::optional<double> H;
    std::optional<double> C;
    std::optional<double> h;
    bool nonIndustrial = false; // vertical light curtain: the non-industrial formula

    double governingMs = 0.0;
    DistanceText stopTimeNote; // which statistic the governing time is
};

// "meets" or "closer", as zirk-cli and the archive store a verdict.
QString verdictKey(const DistanceVerdict &verdict);
// The shortfall as it is shown, in mm to one decimal, rounded up: a mounting
// that is closer is never shown as closer by less than it is.
double shownShortfallMm(const DistanceVerdict &verdict);
// "meets the minimum distance" / "closer than the minimum distance by 12.5
// mm", the protocol's English.
QString verdictText(const DistanceVerdict &verdict, const QLocale &locale = QLocale());

struct DistanceResult
{
    std::optional<double> distanceMm;
    std::optional<double> distanceInch;
    DistanceText noDistanceReason; // set when there is no distance

    DistanceText formula;
    std::vector<DistanceValue> values; // every input and constant, in reading order
    std::vector<DistanceText> lines;   // the arithmetic and the bounds that applied, in order
    std::vector<DistanceText> warnings;

    std::optional<DistanceVerdict> verdict;
    // The formula came out infinite or NaN (numbers beyond any sensible
    // range); there is then no distance.
    bool notFinite = false;
};

class DistanceStandard
{
public:
    virtual ~DistanceStandard() = default;

    // Stable identifier for settings, project files, zirk-cli and the archive.
    virtual QString id() const = 0;
    // "ISO 13855:2010".
    virtual QString name() const = 0;
    // The entries this standard reads for the kind; windows offer only these.
    virtual DistanceEntries entries(int kind) const = 0;
    // The US standards state their results in inches first.
    virtual bool inchesFirst() const { return false; }

    // The distance and its calculation, with the inch value and the verdict
    // against the installed distance filled in.
    DistanceResult calculate(const DistanceInputs &inputs) const;

protected:
    // Fills distanceMm (or noDistanceReason), formula, values, lines and
    // warnings.
    virtual void compute(const DistanceInputs &inputs, DistanceResult &result) const = 0;
};

// Every standard, ISO 13855:2010 (the default) first.
const std::vector<const DistanceStandard *> &distanceStandards();
// None for an unknown id.
const DistanceStandard *findDistanceStandard(QStringView id);
const DistanceStandard &defaultDistanceStandard();
