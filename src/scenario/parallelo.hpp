#pragma once
// Work over a long line split into consecutive pieces, one thread each, for the
// passes over every section that loading and the section list make.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

namespace sopra {

// Fewer items than this per piece are not worth a thread of their own.
inline constexpr std::size_t minimo_per_pezzo = 8192;

// How many pieces to split `numero` items into: one per processor, at most, and
// none smaller than minimo_per_pezzo (always at least 1).
inline std::size_t pezzi_per(std::size_t numero) {
  const std::size_t processori = std::max(1u, std::thread::hardware_concurrency());
  return std::clamp<std::size_t>(numero / minimo_per_pezzo, 1, processori);
}

// The first of `numero` items in piece k of `pezzi` consecutive, nearly equal
// pieces (k = pezzi: numero), as in_parallelo splits them.
inline std::size_t inizio_pezzo(std::size_t numero, std::size_t pezzi, std::size_t k) {
  return numero / pezzi * k + std::min(k, numero % pezzi);
}

// Calls lavoro(primo, fine) once for each of `pezzi` consecutive, nearly equal
// ranges that together cover [0, numero), the first in the caller's thread and
// each other in a thread of its own, and returns when all have returned. The
// calls must not race: they touch disjoint data or synchronise. An exception
// of any call is rethrown here (the first piece's first) after every thread has
// ended; a thread that cannot be started (no resources or memory for it) leaves
// its piece to the caller's thread, which runs it at once.
template <class F>
void in_parallelo(std::size_t numero, std::size_t pezzi, F&& lavoro) {
  pezzi = std::clamp<std::size_t>(pezzi, 1, std::max<std::size_t>(numero, 1));
  auto inizio = [&](std::size_t k) { return inizio_pezzo(numero, pezzi, k); };
  std::vector<std::exception_ptr> errori(pezzi);
  auto esegui = [&](std::size_t k) {
    try {
      lavoro(inizio(k), inizio(k + 1));
    } catch (...) {
      errori[k] = std::current_exception();
    }
  };
  std::vector<std::thread> fili;
  fili.reserve(pezzi - 1);
  for (std::size_t k = 1; k < pezzi; ++k) {
    try {
      fili.emplace_back(esegui, k);
    } catch (...) {  // no thread, and so nothing to join: the piece runs here
      esegui(k);
    }
  }
  esegui(0);
  for (auto& filo : fili) filo.join();
  for (auto& e : errori)
    if (e) std::rethrow_exception(e);
}

// Calls lavoro(primo, fine) once for each consecutive range of `per_pezzo`
// items (the last may be shorter) that together cover [0, numero), on `fili`
// threads, the caller's among them, each taking the next range as soon as it
// is free: a thread that the system starts late takes fewer, instead of
// keeping the others waiting for its share. The same contract as in_parallelo
// otherwise; a range's items never depend on when it is taken.
template <class F>
void in_parallelo_a_turni(std::size_t numero, std::size_t per_pezzo, std::size_t fili, F&& lavoro) {
  per_pezzo = std::max<std::size_t>(per_pezzo, 1);
  const std::size_t pezzi = (numero + per_pezzo - 1) / per_pezzo;
  std::atomic<std::size_t> prossimo = 0;
  in_parallelo(std::min(fili, pezzi), std::min(fili, pezzi), [&](std::size_t, std::size_t) {
    for (std::size_t k; (k = prossimo.fetch_add(1)) < pezzi;)
      lavoro(k * per_pezzo, std::min(numero, (k + 1) * per_pezzo));
  });
}

}  // namespace sopra
