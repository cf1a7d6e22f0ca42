#pragma once

#include <optional>

// A fitter mounts the guard at the distance we print, so a minimum is
// printed rounded up, never to the nearest, and every verdict compares the
// installed distance with that printed figure: the window, the calculator,
// the protocol, zirk-cli and the archive's overview ask here and cannot
// disagree with the number beside them.  Inch figures are shown only; they
// never decide.

// No safety distance, and no mounting, lies beyond 100 m: a figure beyond
// it comes from a slip (a stop time of hours, 1e308 typed), and is refused
// with that reason rather than printed.
inline constexpr double kLargestDistanceMm = 100000.0;

// The minimum as the protocol prints it: whole millimetres, rounded up.
// The arithmetic's own rounding noise (far below a micrometre) does not push
// an exact figure a whole step up.
double minimumWholeMm(double exactMm);

// The installed distance compared with the minimum.
struct DistanceVerdict
{
    bool meets = false;
    double shortfallMm = 0.0; // whole-mm minimum - installed when closer, else 0
};

// Meets when the installed distance is not below the minimum rounded up to
// whole mm.  None without an installed distance, without a finite minimum
// or for an installed distance that is no finite number.
std::optional<DistanceVerdict> compareInstalled(std::optional<double> minimumMm, std::optional<double> installedMm);
