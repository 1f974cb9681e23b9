#pragma once
// Wording shared by the window and the batch companion, so that one thing is
// said in one way wherever the user meets it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace sopra {

// A section whose slots are all taken by other objects cannot take a cant.
inline constexpr std::string_view testo_tratto_senza_slot =
    "Nessuno slot libero: la sopraelevazione non può essere inserita.";

// How many curve sections were left without cant by the class command for want
// of a free slot (`quante` > 0): one sentence, without its final full stop.
std::string testo_curve_senza_slot(std::size_t quante);

// The positions in metres of those sections: "Posizioni in metri: 650, 1200",
// with a final "…" when `quante` is larger than the positions given.
std::string testo_posizioni_senza_slot(std::span<const std::int32_t> posizioni, std::size_t quante);

}  // namespace sopra
