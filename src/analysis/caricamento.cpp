#include "analysis/caricamento.hpp"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "analysis/sopraelevazione.hpp"
#include "scenario/nomi_file.hpp"

namespace sopra {

namespace {

// The cant objects whose cant shows beyond the limit of one section, or whose
// side is none of -1, 0 and +1, counted a block of sections at a time as they
// are read: one warning with their number and the first.
class controllo_sopraelevazioni final : public osservatore_tratti {
 public:
  void esamina(const blocco_letto& blocco) override {
    // Empty slots hold no cant: the kept ones are enough, all in a row.
    const std::span<const oggetto> slot = blocco.slot_occupati();
    for (std::size_t k = 0; k < slot.size(); ++k) {
      if (slot[k].tipo == tipo_sopraelevazione && !ammesso(slot[k]) && quanti_++ == 0)
        primo_ = blocco.tratto_dello_slot(k);
    }
  }

  void avvisa(const std::filesystem::path& file, std::vector<std::string>& avvisi) const override {
    if (quanti_ == 0) return;
    avvisi.push_back("Il file dei tratti " + testo_utf8(file.filename()) + " contiene " +
                     std::to_string(quanti_) +
                     (quanti_ == 1 ? " oggetto sopraelevazione" : " oggetti sopraelevazione") +
                     " oltre ±" + std::to_string(sopraelevazione_limite) +
                     " mm o con un lato diverso da -1, 0 e +1, il primo nel tratto a " +
                     std::to_string(static_cast<long long>(primo_) * metri_tratto) + " m.");
  }

 private:
  bool ammesso(const oggetto& o) {
    if (o.dato2 < -1 || o.dato2 > 1) return sopraelevazione_ammessa(o);
    // With its side in range, the answer depends on the cant alone: worked out
    // once per value, as curves share few values.
    std::int8_t& esito = esiti_[static_cast<std::uint16_t>(centesimi_oggetto(o))];
    if (esito < 0) esito = sopraelevazione_ammessa(o) ? 1 : 0;
    return esito == 1;
  }

  std::vector<std::int8_t> esiti_ = std::vector<std::int8_t>(65536, -1);
  std::size_t quanti_ = 0;
  std::size_t primo_ = 0;
};

}  // namespace

std::optional<std::string> carica_scenario(const std::filesystem::path& file_testata,
                                           scenario& store, dettagli_caricamento* dettagli) {
  controllo_sopraelevazioni sopraelevazioni;
  return leggi_file_scenario(file_testata, store, &sopraelevazioni, dettagli);
}

}  // namespace sopra
