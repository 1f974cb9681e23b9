#include <gtest/gtest.h>

#include <utility>

#include "linee_di_prova.hpp"
#include "progetto/verifica.hpp"

namespace sopra {
namespace {

using namespace prova;
using enum codice_problema;
using atteso = std::vector<std::pair<std::int32_t, codice_problema>>;

// One section for each kind of problem, on a straight line of 60 sections.
scenario linea_con_problemi() {
  scenario s = scenario_rettilineo(60);
  metti_sopraelevazione(s, 10, 26);
  slot(s, 10)[0].dato2 = 2;              // side out of scale: 52 mm on a straight
  tratti_curvi(s, 20, 20, 10000, -40);   // left-hand bend, inner rail raised
  metti_bivio(s, 26, 1);                 // zone 25 .. 26
  metti_sopraelevazione(s, 25, 20);      // cant in the zone
  tratti_curvi(s, 30, 30, -2500, -200);  // above c_max, a step of 200 mm, excess at 40 km/h
  tratti_curvi(s, 35, 35, 490, 0);
  metti_bivio(s, 36);                 // zone 35 .. 36: a 490 m bend run through without cant
  metti_sopraelevazione(s, 40, 50);   // a straight's cant that no curve explains
  tratti_curvi(s, 42, 42, 490, 100);  // deficiency at 120 km/h
  tratti_curvi(s, 50, 50, 5000, 0);
  riempi(s, 50);  // a curve that cannot hold cant
  return s;
}

atteso codici(const std::vector<problema>& problemi) {
  atteso esito;
  for (const problema& p : problemi) esito.emplace_back(p.posizione, p.codice);
  return esito;
}

TEST(VerificaLinea, EveryCodeInOrder) {
  const scenario s = linea_con_problemi();
  parametri_progetto p;
  p.velocita_massima = 120;  // delta 82
  p.velocita_minima = 40;
  const std::vector<problema> problemi = verifica_linea(s, geometria_linea(s), p);
  EXPECT_EQ(codici(problemi), (atteso{{500, fuori_scala},
                                      {500, rettilineo},
                                      {1000, lato},
                                      {1250, bivio},
                                      {1500, massimo},
                                      {1500, pendenza},
                                      {1500, eccesso},
                                      {1550, pendenza},
                                      {1750, bivio_in_curva},
                                      {2000, rettilineo},
                                      {2100, variazione},
                                      {2100, insufficienza},
                                      {2150, variazione},
                                      {2500, senza_slot}}));
  // Each sentence with its figures, whole or with one decimal.
  const char* const testi[] = {
      "oggetto sopraelevazione fuori scala (52 mm): dati danneggiati o estranei",
      "sopraelevazione di 52 mm su rettilineo, non dovuta a un raccordo",
      "sopraelevazione di 40 mm sulla rotaia interna della curva",
      "sopraelevazione di 20 mm in zona di bivio",
      "sopraelevazione di 200 mm oltre il massimo di 160 mm",
      "salto di 200 mm dal tratto precedente, più ripido del raccordo (ammessi 125 mm)",
      "eccesso di 192.4 mm alla velocità minima (ammessi 110 mm)",
      "salto di 200 mm dal tratto precedente, più ripido del raccordo (ammessi 125 mm)",
      "zona di bivio in curva senza sopraelevazione: insufficienza di 346.8 mm (ammessi 130 mm): "
      "velocità ammessa 73 km/h",
      "sopraelevazione di 50 mm su rettilineo, non dovuta a un raccordo",
      "salto di 100 mm dal tratto precedente: troppo rapido a 120 km/h (ammessi 82 mm)",
      "insufficienza di 246.8 mm (ammessi 130 mm): velocità ammessa 97 km/h",
      "salto di 100 mm dal tratto precedente: troppo rapido a 120 km/h (ammessi 82 mm)",
      "curva senza slot libero: non può avere sopraelevazione"};
  ASSERT_EQ(problemi.size(), std::size(testi));
  for (std::size_t k = 0; k < problemi.size(); ++k)
    EXPECT_EQ(testo_problema(problemi[k]), testi[k]);
}

TEST(VerificaLinea, SpeedsAndStepFollowTheParameters) {
  // Without speeds: no deficiency or excess, and steps up to 125 mm pass.
  const scenario s = linea_con_problemi();
  EXPECT_EQ(codici(verifica_linea(s, geometria_linea(s), parametri_progetto{})),
            (atteso{{500, fuori_scala},
                    {500, rettilineo},
                    {1000, lato},
                    {1250, bivio},
                    {1500, massimo},
                    {1500, pendenza},
                    {1550, pendenza},
                    {2000, rettilineo},
                    {2500, senza_slot}}));
}

TEST(VerificaLinea, CleanLineAndErrorCodes) {
  scenario s = scenario_rettilineo(40);
  tratti_curvi(s, 10, 14, 1000, 100);
  tratti_curvi(s, 9, 9, 2500, 30);
  metti_sopraelevazione(s, 15, 18);  // the ramp out of the curve, 100 - 82
  parametri_progetto p;
  p.velocita_massima = 120;
  EXPECT_TRUE(verifica_linea(s, geometria_linea(s), p).empty());
  metti_sopraelevazione(s, 15, 19);  // beyond it
  EXPECT_EQ(codici(verifica_linea(s, geometria_linea(s), p)), (atteso{{750, rettilineo}}));

  for (const codice_problema c :
       {fuori_scala, lato, bivio, bivio_in_curva, pendenza, insufficienza})
    EXPECT_TRUE(errore(c));
  for (const codice_problema c : {massimo, rettilineo, variazione, eccesso, senza_slot})
    EXPECT_FALSE(errore(c));
}

}  // namespace
}  // namespace sopra
