#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "scenario/parallelo.hpp"

namespace sopra {
namespace {

// Every item is handed to exactly one call, in consecutive non-empty ranges.
TEST(InParallelo, PiecesCoverEveryItemOnce) {
  for (std::size_t numero = 0; numero < 40; ++numero) {
    for (std::size_t pezzi = 0; pezzi < 45; ++pezzi) {
      std::vector<int> volte(numero, 0);
      std::atomic<int> chiamate = 0;
      in_parallelo(numero, pezzi, [&](std::size_t primo, std::size_t fine) {
        ++chiamate;
        EXPECT_LE(primo, fine);
        for (std::size_t i = primo; i < fine; ++i) ++volte[i];
      });
      for (std::size_t i = 0; i < numero; ++i) ASSERT_EQ(volte[i], 1) << numero << " " << pezzi;
      EXPECT_EQ(chiamate, static_cast<int>(
                              std::clamp<std::size_t>(pezzi, 1, std::max<std::size_t>(numero, 1))));
    }
  }
}

TEST(InParallelo, ExceptionOfAPieceReachesTheCaller) {
  std::atomic<int> finiti = 0;
  EXPECT_THROW(in_parallelo(100, 4,
                            [&](std::size_t primo, std::size_t) {
                              if (primo >= 50) throw std::runtime_error("pezzo");
                              ++finiti;
                            }),
               std::runtime_error);
  EXPECT_EQ(finiti, 2);  // the other pieces still ran to their end
}

// Taken in turns: every item once, in ranges of the given length but the
// last, however many threads take them; an exception still reaches the caller.
TEST(InParalleloATurni, PiecesCoverEveryItemOnce) {
  for (std::size_t numero = 0; numero < 30; ++numero) {
    for (std::size_t per_pezzo = 0; per_pezzo < 7; ++per_pezzo) {
      for (std::size_t fili = 1; fili < 4; ++fili) {
        std::vector<std::atomic<int>> volte(numero);
        in_parallelo_a_turni(numero, per_pezzo, fili, [&](std::size_t primo, std::size_t fine) {
          EXPECT_LT(primo, fine);
          EXPECT_TRUE(fine == numero || fine - primo == std::max<std::size_t>(per_pezzo, 1));
          for (std::size_t i = primo; i < fine; ++i) ++volte[i];
        });
        for (std::size_t i = 0; i < numero; ++i)
          ASSERT_EQ(volte[i], 1) << numero << " " << per_pezzo << " " << fili;
      }
    }
  }
  EXPECT_THROW(in_parallelo_a_turni(100, 10, 2,
                                    [](std::size_t primo, std::size_t) {
                                      if (primo == 50) throw std::runtime_error("pezzo");
                                    }),
               std::runtime_error);
}

TEST(InParallelo, PiecesNeverSmallerThanTheMinimum) {
  EXPECT_EQ(pezzi_per(0), 1u);
  EXPECT_EQ(pezzi_per(minimo_per_pezzo * 2 - 1), 1u);
  EXPECT_LE(pezzi_per(minimo_per_pezzo * 64), std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace
}  // namespace sopra
