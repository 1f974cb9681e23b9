#pragma once
// Memory for the large arrays of an open scenario: its sections, its line
// points, its list rows, tens of megabytes filled once, right after they are
// allocated, on a line of 10,000 km.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>
#include <utility>

namespace sopra {

// The size of a huge page, which the large arrays share and align to (Linux).
inline constexpr std::size_t byte_pagina_grande = std::size_t{2} << 20;

// A stretch of address space from which the arrays of one scenario are taken
// one after another, so that together they fill whole pages. On Linux it is
// backed by huge pages as it is first written: filling it then costs one page
// fault per 2 MiB instead of one per 4 KiB, and the arrays share those pages
// instead of each rounding its own up. Elsewhere it has no room, and every
// block comes from operator new. Safe to use from several threads.
class regione_memoria {
 public:
  // Reserves `byte` bytes of address space (none when the system refuses):
  // reserving costs no memory, only what is written does. The address space
  // of the last region that went is used again when it is large enough.
  explicit regione_memoria(std::size_t byte);
  ~regione_memoria();
  regione_memoria(const regione_memoria&) = delete;
  regione_memoria& operator=(const regione_memoria&) = delete;

  // A block of `byte` bytes aligned to `allineamento` (a power of two up to
  // 4096) right after the last block taken, or nullptr when it does not fit.
  // Its contents are unspecified: what an earlier block or region held there.
  void* prendi(std::size_t byte, std::size_t allineamento);
  // Gives back block p: the region takes its room back only when p is the last
  // block taken; any other block stays taken until the region goes.
  void rendi(const void* p) noexcept;
  // Makes the last block taken, p, `byte` bytes long (no longer than it was),
  // so that the next block follows right after them. Nothing when p is not
  // the last block.
  void accorcia(const void* p, std::size_t byte) noexcept;
  // Whether p points into the region.
  bool contiene(const void* p) const noexcept {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return inizio_ != nullptr && b >= inizio_ && b < inizio_ + dimensione_;
  }

 private:
  std::uint8_t* inizio_ = nullptr;
  std::size_t dimensione_ = 0;
  void* mappa_ = nullptr;  // what the system gave, to give back
  std::size_t dimensione_mappa_ = 0;
  std::mutex mutex_;
  std::size_t cima_ = 0;                  // first free byte
  std::size_t ultimo_ = ~std::size_t{0};  // start of the last block taken, if known
};

// Lets the process keep the memory its large working arrays had, instead of
// giving it back to the system when they go (glibc only; elsewhere nothing):
// the design tools and the check take and free a few megabytes per command, and
// memory the system backs afresh costs a page fault per 4 KiB, on a virtual
// machine more than the command's own work. Blocks up to 64 MiB come from the
// heap and up to 512 MiB of free heap is kept; what a scenario's region holds
// is mapped apart and unaffected. Called once, at the start of main.
void tieni_memoria_liberata() noexcept;

// Asks the kernel to back [p, p + byte) with huge pages (Linux only): only
// advice, a refusal changes nothing.
void consiglia_pagine_grandi(void* p, std::size_t byte) noexcept;

// An allocator that takes its blocks from a regione_memoria when it has one and
// the block fits, and otherwise from operator new: on Linux a block of 4 MiB or
// more is then aligned to 2 MiB and backed by huge pages. Throws std::bad_alloc
// like operator new. A copy of a container so allocated gets plain memory: the
// region belongs to the scenario that was loaded into it.
template <class T>
struct allocatore_grande {
  using value_type = T;
  using propagate_on_container_move_assignment = std::true_type;
  using propagate_on_container_swap = std::true_type;
  using propagate_on_container_copy_assignment = std::false_type;

  allocatore_grande() = default;
  explicit allocatore_grande(std::shared_ptr<regione_memoria> r) noexcept : regione(std::move(r)) {}
  template <class U>
  allocatore_grande(const allocatore_grande<U>& altro) noexcept : regione(altro.regione) {}

  allocatore_grande select_on_container_copy_construction() const { return {}; }

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    const std::size_t byte = n * sizeof(T);
    if (regione) {
      constexpr std::size_t allineamento = alignof(T) < 64 ? 64 : alignof(T);
      if (void* p = regione->prendi(byte, allineamento)) return static_cast<T*>(p);
    }
    if (!grande(byte)) return static_cast<T*>(::operator new(byte));
    const std::size_t arrotondati =
        (byte + byte_pagina_grande - 1) / byte_pagina_grande * byte_pagina_grande;
    void* p = ::operator new (arrotondati, std::align_val_t{byte_pagina_grande});
    consiglia_pagine_grandi(p, arrotondati);
    return static_cast<T*>(p);
  }

  void deallocate(T* p, std::size_t n) noexcept {
    if (regione && regione->contiene(p)) {
      regione->rendi(p);
    } else if (grande(n * sizeof(T))) {
      ::operator delete (p, std::align_val_t{byte_pagina_grande});
    } else {
      ::operator delete(p);
    }
  }

  friend bool operator==(const allocatore_grande& a, const allocatore_grande& b) {
    return a.regione == b.regione;
  }

  std::shared_ptr<regione_memoria> regione;

 private:
  static constexpr bool grande(std::size_t byte) {
#if defined(__linux__)
    return byte >= 2 * byte_pagina_grande;
#else
    return (void)byte, false;
#endif
  }
};

}  // namespace sopra
