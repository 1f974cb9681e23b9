#pragma once
// Tables as CSV for a spreadsheet set to Italian: ";" between fields, "," as
// decimal separator, a header line, LF line ends. The window's export and the
// batch companion write the same bytes.

#include <string>
#include <vector>

#include "analysis/geometria_linea.hpp"
#include "progetto/relazione.hpp"
#include "scenario/scenario.hpp"

namespace sopra {

// The curve report: a header line, then one line per curve with its start and
// end (m), side (SX/DX), least radius (m, one decimal) and its nominal class
// (m), V and v (km/h), cant, equilibrium, deficiency and excess (mm, one
// decimal; empty without the speed they need), run-off lengths (m), steepest
// gradient (mm/m, two decimals), fastest rate (mm/s, one decimal), the speed
// of each train category (km/h) and the problem codes, separated by blanks.
std::string testo_csv_relazione(const std::vector<curva_relazione>& curve);

// The section list with fixed columns: position (m), kind (rettilineo, curva,
// bivio), side (SX/DX, empty on a straight), nominal radius (m), measured
// radius (m, one decimal, empty when none), the cant as stored (mm). A
// junction-zone row gives the side and radii of the curve under it, if any.
std::string testo_csv_elenco(const scenario& store, const geometria_linea& geometria);

}  // namespace sopra
