#include "scenario/memoria_grande.hpp"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace sopra {

namespace {

constexpr std::size_t pagina_grande = std::size_t{2} << 20;

}  // namespace

void consiglia_pagine_grandi(void* p, std::size_t byte) noexcept {
#if defined(__linux__)
  ::madvise(p, byte, MADV_HUGEPAGE);
#else
  (void)p, (void)byte;
#endif
}

regione_memoria::regione_memoria(std::size_t byte) {
#if defined(__linux__)
  // Address space only: pages are backed as they are written. One huge page
  // more, to start the region on a huge page's boundary.
  const std::size_t arrotondati = (byte + pagina_grande - 1) / pagina_grande * pagina_grande;
  if (arrotondati == 0 || arrotondati > (std::size_t{1} << 46)) return;
  const std::size_t chiesti = arrotondati + pagina_grande;
  void* p = ::mmap(nullptr, chiesti, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) return;
  mappa_ = p;
  dimensione_mappa_ = chiesti;
  const auto indirizzo = reinterpret_cast<std::uintptr_t>(p);
  inizio_ =
      static_cast<std::uint8_t*>(p) + ((pagina_grande - indirizzo % pagina_grande) % pagina_grande);
  dimensione_ = arrotondati;
  consiglia_pagine_grandi(inizio_, dimensione_);
#else
  (void)byte;
#endif
}

regione_memoria::~regione_memoria() {
#if defined(__linux__)
  if (mappa_ != nullptr) ::munmap(mappa_, dimensione_mappa_);
#endif
}

void* regione_memoria::prendi(std::size_t byte, std::size_t allineamento) {
  const std::lock_guard blocco(mutex_);
  if (inizio_ == nullptr) return nullptr;
  const std::size_t inizio = (cima_ + allineamento - 1) & ~(allineamento - 1);
  if (inizio > dimensione_ || byte > dimensione_ - inizio) return nullptr;
  ultimo_ = inizio;
  cima_ = inizio + byte;
  return inizio_ + inizio;
}

void regione_memoria::rendi(const void* p) noexcept {
  const std::lock_guard blocco(mutex_);
  const auto posto = static_cast<std::size_t>(static_cast<const std::uint8_t*>(p) - inizio_);
  if (posto != ultimo_) return;
  cima_ = posto;
  ultimo_ = ~std::size_t{0};
}

void regione_memoria::accorcia(const void* p, std::size_t byte) noexcept {
  const std::lock_guard blocco(mutex_);
  const auto posto = static_cast<std::size_t>(static_cast<const std::uint8_t*>(p) - inizio_);
  if (posto != ultimo_ || byte > cima_ - posto) return;
  cima_ = posto + byte;
}

}  // namespace sopra
