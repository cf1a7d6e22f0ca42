#pragma once

// Who the measurement protocol and the about box name as maker of the
// instrument.  Kept here alone so that a rebranding touches one file.
namespace ReportIdentity {

// The Device ID line reads "Zirk device, Manufacturer: <name>, <web>" from
// 50 mm in 10-point Courier; name and web address together must stay within
// 39 characters so that the line ends before the table's rule does (195 mm).
inline constexpr char kManufacturerName[] = "Zirk Instruments";
inline constexpr char kManufacturerWeb[] = "www.zirk.example";
inline constexpr char kManufacturerEmail[] = "info@zirk.example";

} // namespace ReportIdentity
