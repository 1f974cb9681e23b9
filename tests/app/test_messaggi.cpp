// The wording shared by the window and the batch companion: the boundaries of
// the position lists and of singular and plural.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "editing/messaggi.hpp"

namespace sopra {
namespace {

TEST(Messaggi, PositionListsStopAtTheirLimitAndCountTheRest) {
  std::vector<std::int32_t> posizioni;
  for (std::int32_t m = 100; posizioni.size() < posizioni_senza_slot_riportate; m += 50)
    posizioni.push_back(m);
  const std::string tutte = testo_posizioni(posizioni, posizioni.size());
  EXPECT_TRUE(tutte.starts_with("Posizioni in metri: 100, 150, ")) << tutte;
  EXPECT_TRUE(tutte.ends_with(", 550")) << tutte;
  // More in all than were given, or more given than are shown.
  EXPECT_EQ(testo_posizioni(posizioni, posizioni.size() + 1), tutte + " e un'altra");
  posizioni.push_back(600);
  EXPECT_EQ(testo_posizioni(posizioni, posizioni.size() + 2), tutte + " e altre 3");
  EXPECT_EQ(testo_posizioni(posizioni, 0), tutte + " e un'altra");
  EXPECT_EQ(testo_posizioni({}, 3), "Posizioni in metri: 3 non riportate");
}

TEST(Messaggi, SingularAndPlural) {
  EXPECT_EQ(testo_curve_senza_slot(1),
            "1 tratto in curva non ha uno slot libero ed è rimasto senza sopraelevazione");
  EXPECT_TRUE(testo_curve_senza_slot(2).starts_with("2 tratti in curva non hanno"));
  EXPECT_EQ(testo_problemi(0, 0), "nessun problema");
  EXPECT_EQ(testo_problemi(1, 2), "1 errore, 2 avvisi");
  EXPECT_EQ(testo_problemi(0, 1), "0 errori, 1 avviso");

  esito_raccordi esito;
  esito.tratti_rialzati = 1;
  EXPECT_EQ(testo_esito_raccordi(esito, ". "), "1 tratto rialzato");
  esito.conflitti = {1200, 1250};
  esito.senza_slot = {650};
  EXPECT_EQ(testo_esito_raccordi(esito, ". "),
            "1 tratto rialzato. 2 tratti in conflitto lasciati com'erano. Posizioni in metri: "
            "1200, 1250. 1 tratto non ha uno slot libero e non è stato rialzato. Posizioni in "
            "metri: 650");
}

}  // namespace
}  // namespace sopra
