#pragma once
// Memory for the store's large arrays (the sections and their line points of a
// long line: tens of megabytes filled once, right after they are allocated).

#include <cstddef>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace sopra {

// An allocator that, on Linux, aligns a block of 4 MiB or more to 2 MiB and asks
// the kernel to back it with huge pages: filling it then costs one page fault
// per 2 MiB instead of one per 4 KiB. Smaller blocks, and every block elsewhere,
// come from plain operator new. Throws std::bad_alloc like operator new.
template <class T>
struct allocatore_grande {
  using value_type = T;

  allocatore_grande() = default;
  template <class U>
  allocatore_grande(const allocatore_grande<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    const std::size_t byte = n * sizeof(T);
    if (!grande(byte)) return static_cast<T*>(::operator new(byte));
    const std::size_t arrotondati = (byte + pagina_grande - 1) / pagina_grande * pagina_grande;
    void* p = ::operator new (arrotondati, std::align_val_t{pagina_grande});
#if defined(__linux__)
    ::madvise(p, arrotondati, MADV_HUGEPAGE);  // only advice: a refusal changes nothing
#endif
    return static_cast<T*>(p);
  }

  void deallocate(T* p, std::size_t n) noexcept {
    if (grande(n * sizeof(T))) {
      ::operator delete (p, std::align_val_t{pagina_grande});
    } else {
      ::operator delete(p);
    }
  }

  friend bool operator==(const allocatore_grande&, const allocatore_grande&) {
    return true;
  }

 private:
  static constexpr std::size_t pagina_grande = std::size_t{2} << 20;
  static constexpr bool grande(std::size_t byte) {
#if defined(__linux__)
    return byte >= 2 * pagina_grande;
#else
    return (void)byte, false;
#endif
  }
};

}  // namespace sopra
