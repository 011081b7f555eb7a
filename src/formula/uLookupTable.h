// A two-column table of numbers loaded from a text file, answering y at x as
// a staircase or by linear interpolation. The look-up table element owns one
// and publishes its Lookup as a formula function.
#pragma once

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

  TLookupTable();

  // Load, check and index. fileName is the name already made absolute by the
  // caller; empty means no file was given. Sets and returns LUTValid.
  bool PrepareLUT(std::string_view fileName);
  // Reads the file; on any failure both arrays are emptied.
  [[nodiscard]] bool LoadLUTFile(std::string_view fileName);
  // X strictly ascending (and at least one point).
  [[nodiscard]] bool CheckAscending();
  // Grid index over the loaded points; call only after a successful check.
  void BuildIndex();

  // Only reads the arrays: safe under the hub's receive lock while nobody
  // prepares the table.
  [[nodiscard]] double Lookup(double x) const;
  [[nodiscard]] int32_t GetNextGreater(int32_t i, double x) const;

  bool LUTValid = false;
  bool Interpolate = false;
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

}  // namespace qx
