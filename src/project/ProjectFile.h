#pragma once
// Zirk project files (.zPRJ): the stop times, the record of device, safety
// device and captions, and up to four report pictures as BMP blocks.
//
//   offset 0            N, signed 32-bit
//   offset 4            N stop times, IEEE 754 doubles, milliseconds
//   offset 4 + 8 N      the 1128-byte project record
//   offset 1132 + 8 N   picture blocks of slots 1 to 4; an empty slot adds nothing
//
// Everything is little-endian.  There is no signature and no version: a file
// of the right length is accepted whatever it holds.

#include "safety/DistanceStandard.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QIODevice;

// What a project keeps of the safety-distance calculation beyond the
// record's own fields: the standard, its optional entries, the installed
// distance, the door's C, the mat's h, the non-industrial choice and when the
// last value was measured.  Stored in the record's reserved bytes, so older
// readers skip it.
struct ProjectExtension : StandardEntries
{
    QString standardId; // as the safety unit names it, ASCII, at most kStandardIdCapacity bytes
    std::optional<double> doorC;
    std::optional<double> matH;
    bool nonIndustrial = false;
    std::optional<qint64> lastValueUtcMs; // milliseconds since 1970-01-01 UTC

    static constexpr int kStandardIdCapacity = 16;

    friend bool operator==(const ProjectExtension &, const ProjectExtension &) = default;
};

// The project record, kept as the bytes of the file.  Only the named fields
// are ever written; unused and reserved bytes and the bytes behind each text
// keep whatever the last opened file held there (zero before any Open).
class ProjectRecord
{
public:
    static constexpr int kSize = 1128;

    // Texts are stored as a length byte followed by `capacity` bytes in a
    // single-byte code page.
    enum class Text {
        SerialNumber,
        PictureNote1,
        PictureNote2,
        PictureNote3,
        PictureNote4,
        SafetyDeviceName,
        SafetyDeviceParams,
        MachineID,
        Note,
        // The name of the safeguard, kept in a block of its own after the
        // standard's block (safeguard(), setSafeguard()); text() and
        // setText() read and write that block.
        Safeguard,
    };
    static Text pictureNote(int slot); // slot 1 to 4
    static int capacity(Text field);

    // The stored single-byte text.  A length byte beyond the capacity (a
    // damaged file) reads as the full capacity, never past the field.  The
    // safeguard's name is empty where its block is missing or damaged.
    QByteArray text(Text field) const;
    // Cuts the text to the capacity; bytes behind it keep their content.
    // The safeguard's name: empty writes no block, and a name with a
    // control byte is not written.
    void setText(Text field, QByteArrayView text);

    quint16 standstillSpeed() const;
    void setStandstillSpeed(quint16 speed);
    quint16 calibrationYear() const;
    void setCalibrationYear(quint16 year);
    quint8 calibrationMonth() const;
    void setCalibrationMonth(quint8 month);
    quint8 calibrationDay() const;
    void setCalibrationDay(quint8 day);
    // Booleans are written as 0 or 1; any non-zero byte reads as true.
    bool calibrated() const;
    void setCalibrated(bool calibrated);
    bool includePicture(int slot) const; // slot 1 to 4
    void setIncludePicture(int slot, bool include);
    qint32 safetyDeviceId() const;
    void setSafetyDeviceId(qint32 id);
    double resolution() const; // d in mm
    void setResolution(double d);
    double height() const; // H in mm
    void setHeight(double height);

    // The extension block in the reserved bytes at offset 922.  None when
    // they are all zero (every file from before the block) or when they do
    // not hold a sound block; then *problem, if given, says why (empty for
    // all zeros).
    std::optional<ProjectExtension> extension(QString *problem = nullptr) const;
    // Writes the block (none: zeros) into the reserved bytes, the whole
    // area (a safeguard block in it too), and touches no other byte.  False,
    // and nothing written, for a standard id that is empty, longer than
    // kStandardIdCapacity or not printable ASCII.
    bool setExtension(const std::optional<ProjectExtension> &extension);

    // The safeguard block right after the extension block: the name of the
    // safeguard the measurement belongs to, in the project files' code page.
    // None when its bytes are all zero (every file without a name) or when
    // they do not hold a sound block; then *problem, if given, says why
    // (empty for all zeros).  Read whatever the extension block holds.
    std::optional<QByteArray> safeguard(QString *problem = nullptr) const;
    // Writes the block (none: zeros) and touches no other byte.  False, and
    // nothing written, for a name that is empty, longer than
    // kSafeguardCapacity or holds a control byte (below 32, or 127).
    bool setSafeguard(const std::optional<QByteArray> &name);
    static constexpr int kSafeguardCapacity = 60;

    const std::array<char, kSize> &bytes() const { return m_bytes; }
    std::array<char, kSize> &bytes() { return m_bytes; }

    friend bool operator==(const ProjectRecord &, const ProjectRecord &) = default;

private:
    std::array<char, kSize> m_bytes{};
};

// The report pictures of the four slots; a null image is an empty slot.
using ProjectPictures = std::array<QImage, 4>;

// Writes a whole project file.  Returns false when the device refused bytes.
bool writeProjectFile(QIODevice &file, const std::vector<double> &stopTimes,
                      const ProjectRecord &record, const ProjectPictures &pictures);

// How far reading a project file got.
struct ProjectFileRead
{
    bool complete = false;
    // Slots 1 to picturesRead have been given their content from the file
    // (a null image once the file has ended); later slots were not touched.
    int picturesRead = 0;
};

// Reads a project file into the targets in file order and stops at the first
// fault (short file, impossible count, invalid picture block).  What was read
// before the fault stays: the series is emptied as soon as the count has been
// read, the record may be partly overwritten, earlier slots hold their
// pictures.  A count that the rest of the file cannot hold is a fault at
// once, so nothing is allocated for it.
ProjectFileRead readProjectFile(QIODevice &file, std::vector<double> &stopTimes,
                                ProjectRecord &record, ProjectPictures &pictures);

// --- BMP picture blocks --------------------------------------------------

inline constexpr int kBmpHeadersSize = 54; // file header 14 + information header 40

// An uncompressed, bottom-up, 24-bit BMP file of the picture; alpha is dropped.
QByteArray encodeBmp(const QImage &picture);

// The length of the block whose 54 header bytes are given, as its information
// header defines it: headers, colour table, padded rows times the absolute
// height.  The size field of the file header plays no part.  Returns -1 when
// the headers do not describe an uncompressed BMP with the 40-byte
// information header.
qint64 bmpBlockLength(QByteArrayView headers);

// Decodes an uncompressed BMP with 1, 4, 8, 16, 24 or 32 bits per pixel into a
// 24-bit RGB image, its rows taken right behind the colour table.  Returns a
// null image when the block is not a valid bitmap: no "BM", another header
// than the 40-byte one, compression, an unknown depth, zero width or height,
// a size beyond what decodeWindowsBitmap accepts, or fewer bytes than the
// colour table and the rows need.
QImage decodeBmp(QByteArrayView block);
