#include "scenario/memoria_grande.hpp"

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace sopra {

namespace {

#if defined(__linux__)
// The address space of a region that went, with the pages it had backed.
struct mappa_tenuta {
  void* mappa = nullptr;
  std::size_t dimensione = 0;
};

// The mapping of the last region that went, kept for the next region of this
// process: the window opens one scenario after another, and backing fresh
// pages, not filling them, is most of what loading a long line costs. Its
// pages are left to the kernel to take back when memory runs short; one
// mapping at most, the larger of the last two.
std::mutex mutex_tenuta;
mappa_tenuta tenuta;

// The kept mapping when it holds at least `byte` bytes (it is then no longer
// kept), or none.
mappa_tenuta prendi_mappa_tenuta(std::size_t byte) {
  mappa_tenuta presa;
  {
    const std::lock_guard blocco(mutex_tenuta);
    if (tenuta.dimensione < byte) return {};
    std::swap(presa, tenuta);
  }
  return presa;
}

// Mappings up to this size keep their pages as they are: a short line fills a
// few of them, and handing them to the kernel at each load (MADV_FREE splits
// the huge pages and flushes the other processors' address caches) costs more
// than the memory they hold.
constexpr std::size_t byte_mappa_piccola = std::size_t{16} << 20;

// Keeps `mappa` for the next region, or gives it back to the system when a
// larger one is kept already.
void tieni_mappa(mappa_tenuta mappa) noexcept {
  // The kernel may take the pages of a larger mapping back, which then read as
  // zero, instead of writing them anywhere: nothing that such a region holds
  // outlives it.
  if (mappa.dimensione > byte_mappa_piccola &&
      ::madvise(mappa.mappa, mappa.dimensione, MADV_FREE) != 0) {
    ::munmap(mappa.mappa, mappa.dimensione);
    return;
  }
  {
    const std::lock_guard blocco(mutex_tenuta);
    if (mappa.dimensione > tenuta.dimensione) std::swap(mappa, tenuta);
  }
  if (mappa.mappa != nullptr) ::munmap(mappa.mappa, mappa.dimensione);
}
#endif

}  // namespace

void tieni_memoria_liberata() noexcept {
#if defined(__GLIBC__)
  ::mallopt(M_MMAP_THRESHOLD, 64 << 20);
  ::mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
}

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
  const std::size_t arrotondati =
      (byte + byte_pagina_grande - 1) / byte_pagina_grande * byte_pagina_grande;
  if (arrotondati == 0 || arrotondati > (std::size_t{1} << 46)) return;
  const std::size_t chiesti = arrotondati + byte_pagina_grande;
  mappa_tenuta mappa = prendi_mappa_tenuta(chiesti);
  void* p = mappa.mappa;
  if (p == nullptr) {
    p = ::mmap(nullptr, chiesti, PROT_READ | PROT_WRITE,
               MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return;
    mappa = {p, chiesti};
  }
  mappa_ = p;
  dimensione_mappa_ = mappa.dimensione;
  const auto indirizzo = reinterpret_cast<std::uintptr_t>(p);
  inizio_ = static_cast<std::uint8_t*>(p) +
            ((byte_pagina_grande - indirizzo % byte_pagina_grande) % byte_pagina_grande);
  dimensione_ = arrotondati;
  consiglia_pagine_grandi(inizio_, dimensione_);
#else
  (void)byte;
#endif
}

regione_memoria::~regione_memoria() {
#if defined(__linux__)
  if (mappa_ != nullptr) tieni_mappa({mappa_, dimensione_mappa_});
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
