#pragma once

// Who the measurement protocol names as maker of the instrument and author
// of the document.  Kept here alone so that a rebranding touches one file.
namespace ReportIdentity {

inline constexpr char kManufacturerName[] = "Zirk Safety Instruments";
inline constexpr char kManufacturerWeb[] = "www.zirk-safety.example";
inline constexpr char kAuthor[] = "Zirk";

} // namespace ReportIdentity
