#pragma once
// What the window's two source files share: its measures at the first size,
// in twips and points, for building its controls (form1_controlli.cpp) and for
// laying them out again when it grows (form1.cpp), and the conversions of text
// between the core and Qt.

#include <QString>
#include <string>
#include <string_view>

namespace form1_interno {

// Where a control stands in its container at the first size, in twips from
// the container's top left corner.
struct posto_twip {
  int sinistra, alto, larghezza, altezza;
};

// The same place `twip` twips lower.
constexpr posto_twip piu_in_basso(posto_twip posto, int twip) {
  posto.alto += twip;
  return posto;
}

inline constexpr qreal punti_controlli = 9.75;
inline constexpr qreal punti_attendere = 24;
inline constexpr int twip_per_pollice = 1440;

// The window's client area when it opens, in twips; it may grow, never shrink.
inline constexpr int larghezza_form = 14235;
inline constexpr int altezza_form = 10005;
// Heights at that size of what grows with the window: Frame2 (and the design
// tools beside it) and List1.
inline constexpr int altezza_frame2 = 9735;
inline constexpr int altezza_list1 = 7980;
// The width the window takes for the picture when the user asks for it, and the
// least width of the picture's frame for it to be shown at all.
inline constexpr int larghezza_per_linea = 12000;
inline constexpr int larghezza_minima_linea = 4200;
// The least width of the picture's frame with the problems beside the tables.
inline constexpr int larghezza_affiancata = 10500;

// The least height of the design panel's summary, in twips, before the
// scenario's name under it.
inline constexpr int alto_label21 = 6870;
inline constexpr int altezza_label24 = 570;

// Text of the core (UTF-8) as Qt holds it.
inline QString da_std(const std::string& testo) {
  return QString::fromStdString(testo);
}

inline QString da_std(std::string_view testo) {
  return QString::fromUtf8(testo.data(), static_cast<qsizetype>(testo.size()));
}

}  // namespace form1_interno
