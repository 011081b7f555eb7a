// A two-column table of numbers loaded from a text file, answering y at x as
// a staircase or by linear interpolation. The look-up table element owns one
// and publishes its Lookup as a formula function.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

class TLookupTable {
 public:
  // Status texts shown in the element's listing (German defaults).
  static constexpr std::string_view kStatusNoFile = "Keine Datei angegeben!";
  static constexpr std::string_view kStatusOpenError = "Fehler beim Öffnen der Datei.";
  static constexpr std::string_view kStatusLoadError = "Fehler beim Laden der Datei";
  static constexpr std::string_view kStatusNotAscending =
      "Fehler: Indexwerte müssen aufsteigend sein.";
  static constexpr std::string_view kStatusOk = "Anforderungen erfüllt.";
  // A FIFO or a device would block the compile run or never end: only
  // regular files are read, and none beyond kMaxFileSize.
  static constexpr std::string_view kStatusNotRegular =
      "Fehler beim Öffnen der Datei: keine gewöhnliche Datei.";
  static constexpr std::string_view kStatusTooLarge =
      "Fehler beim Laden der Datei: größer als 10 MB.";
  static constexpr uint32_t kMaxFileSize = 10 * 1024 * 1024;

  TLookupTable();
  TLookupTable(const TLookupTable&) = delete;
  TLookupTable& operator=(const TLookupTable&) = delete;

  // Load, check and index. fileName is the name already made absolute by the
  // caller; empty means no file was given. Sets and returns LUTValid.
  bool PrepareLUT(std::string_view fileName);
  // Reads the file; on any failure both arrays are emptied.
  [[nodiscard]] bool LoadLUTFile(std::string_view fileName);
  // X strictly ascending (and at least one point).
  [[nodiscard]] bool CheckAscending();
  // Grid index over the loaded points; call only after a successful check.
  void BuildIndex();
  // Takes over everything other holds (arrays, index, status, validity)
  // but Interpolate, which stays a property of this table; other gets this
  // table's old contents. Callers that share the table with evaluating
  // threads hold the receive lock around it.
  void SwapContents(TLookupTable& other) noexcept;

  // Only reads the arrays: safe under the hub's receive lock while nobody
  // prepares the table.
  [[nodiscard]] double Lookup(double x) const;
  [[nodiscard]] int32_t GetNextGreater(int32_t i, double x) const;

  bool LUTValid = false;
  // Set from the property panel, read by evaluations.
  std::atomic<bool> Interpolate{false};
  std::string Status;
  std::vector<double> XValues;
  std::vector<double> YValues;
  int32_t PointCount = 0;
  double XMin = 0;
  double XMax = 0;
  double GridStep = 0;
  std::vector<int32_t> FastIndex;

 private:
  [[nodiscard]] int32_t PointIndex(double x) const;
};

// Parses table text (lines ending in CR LF, LF or CR; stops at the first empty
// line). False when a line has no blank/tab or a number does not convert.
[[nodiscard]] bool ParseLUTText(std::string_view text, std::vector<double>& xs,
                                std::vector<double>& ys);

// The point on the line through (x0, y0) and (x1, y1) at x, for x between x0
// and x1: y0 + (x - x0) * (y1 - y0) / (x1 - x0) where that stays finite, else
// the same line through the share of the way, so values beyond 1e154 give
// no inf or NaN between two finite points.
[[nodiscard]] double InterpolateLinear(double x0, double y0, double x1, double y1, double x);

}  // namespace qx
