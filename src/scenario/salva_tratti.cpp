#include "scenario/salva_tratti.hpp"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <span>
#include <system_error>
#include <utility>
#include <vector>

#include "scenario/accesso_file.hpp"
#include "scenario/errori_sistema.hpp"
#include "scenario/nomi_file.hpp"

namespace sopra {

namespace fs = std::filesystem;

namespace {

using namespace sistema;

bool negato(const std::error_code& e) {
  return e == std::errc::permission_denied || e == std::errc::operation_not_permitted;
}

// The messages of saving: each names the file once.

std::string sola_lettura(const std::string& nome, const std::error_code& e) {
  if (e == std::errc::read_only_file_system) {
    return "Il file " + nome + " è di sola lettura (" + motivo_errore(e) +
           "): non è stato modificato. Per salvare, copiare lo scenario su un disco scrivibile e "
           "riprovare.";
  }
  return "Il file " + nome +
         " è di sola lettura: non è stato modificato. Per salvare, renderlo scrivibile e "
         "riprovare.";
}

std::string fallito(const std::string& nome, const std::error_code& e) {
  std::string messaggio = "Impossibile salvare il file " + nome + ": " + motivo_errore(e) + ".";
  if (e == std::errc::no_such_file_or_directory || e == std::errc::is_a_directory) {
    return messaggio;  // there is no file there to speak of
  }
  messaggio += " Il file non è stato modificato.";
  if (e == std::errc::no_space_on_device) messaggio += " Liberare spazio sul disco e riprovare.";
#ifdef EDQUOT
  if (e.default_error_condition() == std::error_condition(EDQUOT, std::generic_category()))
    messaggio += " Liberare spazio sul disco e riprovare.";
#endif
  return messaggio;
}

// The name of the new section file while it is written: ".NAME." and the
// letters crea_file_nuovo adds, hidden beside the file it will replace.
fs::path nome_temporaneo(const fs::path& file) {
  fs::path nome(".");
  nome += file.filename();
  nome += ".";
  return nome;
}

// No new file could be made beside the section file: the folder is the cause
// when the system refused it.
std::string fallito_accanto(const fs::path& cartella, const std::string& nome,
                            const std::error_code& e) {
  if (!negato(e) && e != std::errc::read_only_file_system) return fallito(nome, e);
  return "Nella cartella " + testo_utf8(cartella) + " non si possono creare file (" +
         motivo_errore(e) + "): il file " + nome +
         " non è stato modificato. Per salvare, rendere scrivibile la cartella e riprovare.";
}

std::string copia_rimasta(const std::string& nome, const std::error_code& e,
                          const fs::path& copia) {
  return "Impossibile salvare il file " + nome + ": " + motivo_errore(e) +
         ". Il contenuto precedente del file è nella copia " + testo_utf8(copia) +
         ": per ripristinarlo, dare alla copia il nome del file.";
}

// The old file left its name but the new one could not take it: the new
// content is all there is, and it stays where it was written.
std::string nuovo_rimasto(const std::string& nome, const std::error_code& e,
                          const fs::path& nuovo) {
  return "Impossibile salvare il file " + nome + ": " + motivo_errore(e) +
         ". Il contenuto salvato è nel file " + testo_utf8(nuovo) +
         ": per completare il salvataggio, dare a quel file il nome " + nome + ".";
}

// Writes tratti[0 .. N] from the start of `f`, a block at a time, so that
// saving holds no second copy of them; the digest of what is written comes
// from the same blocks.
std::error_code scrivi_tratti(const file_aperto& f, const elenco_tratti& tratti,
                              std::uint64_t& impronta) {
  // Running out of memory for the block buffer is an error like any other, so
  // that the caller removes its temporary file or puts the old content back.
  try {
    impronta_tratti scritta(tratti.size());
    std::uint64_t posizione = 0;
    std::error_code errore;
    tratti.codifica_a_blocchi([&](std::span<const std::uint8_t> blocco) {
      scritta.aggiungi(blocco);
      errore = scrivi_a(f, posizione, blocco);
      posizione += blocco.size();
      return !errore;
    });
    if (!errore) impronta = scritta.valore();
    return errore;
  } catch (const std::bad_alloc&) {
    return std::make_error_code(std::errc::not_enough_memory);
  }
}

// Copies the bytes of `da` from `inizio` to its end into `a` at the same offset
// less `inizio` plus `destinazione`.
std::error_code copia_fino_alla_fine(const file_aperto& da, std::uint64_t inizio,
                                     const file_aperto& a, std::uint64_t destinazione) {
  std::vector<std::uint8_t> blocco;
  try {
    blocco.resize(std::size_t{1} << 20);
  } catch (const std::bad_alloc&) {
    return std::make_error_code(std::errc::not_enough_memory);
  }
  for (std::uint64_t fatto = 0;; fatto += blocco.size()) {
    std::size_t letti = 0;
    if (auto e = leggi_a(da, inizio + fatto, blocco, letti)) return e;
    if (auto e = scrivi_a(a, destinazione + fatto, std::span(blocco).first(letti))) return e;
    if (letti < blocco.size()) return {};
  }
}

// The variable that makes saving write another program's bytes over the
// section file just before its check (opzioni_salvataggio::prima_di_sostituire).
constexpr const char* variabile_scrittura_esterna = "SOPRA_PROVA_SCRITTURA_ESTERNA";

// Whether the new content may take the place of `file` now (see
// opzioni_salvataggio::prima_di_sostituire); marks a stop in `opzioni.fermato`.
bool si_puo_sostituire(const opzioni_salvataggio& opzioni, const fs::path& file) {
  if (!opzioni.prima_di_sostituire) return true;
  if (const char* da = std::getenv(variabile_scrittura_esterna); da != nullptr && *da != '\0') {
    std::ifstream sorgente(da, std::ios::binary);
    const std::vector<char> byte{std::istreambuf_iterator<char>(sorgente),
                                 std::istreambuf_iterator<char>()};
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(byte.data(), static_cast<std::streamsize>(byte.size()));
  }
  if (opzioni.prima_di_sostituire()) return true;
  if (opzioni.fermato != nullptr) *opzioni.fermato = true;
  return false;
}

// The usual way: the whole new file beside the old one, then renamed over it.
std::optional<std::string> sostituisci_file(const elenco_tratti& tratti, const std::string& nome,
                                            const fs::path& file, file_aperto& vecchio,
                                            const stato_file& stato, file_aperto& nuovo,
                                            const fs::path& temporaneo, std::uint64_t& impronta,
                                            const opzioni_salvataggio& opzioni) {
  auto annulla = [&](const std::error_code& e) {
    rimuovi(temporaneo);
    return fallito(nome, e);
  };
  if (auto e = imposta_permessi(nuovo, stato.permessi)) return annulla(e);
  if (auto e = scrivi_tratti(nuovo, tratti, impronta)) return annulla(e);
  // The records after section N stay as they were.
  const std::uint64_t scritti = std::uint64_t{tratti.size()} * tratti.byte_record();
  if (stato.dimensione > scritti && !opzioni.senza_oltre) {
    if (auto e = copia_fino_alla_fine(vecchio, scritti, nuovo, scritti)) return annulla(e);
  }
  if (auto e = sincronizza(nuovo)) return annulla(e);
  if (auto e = nuovo.chiudi()) return annulla(e);
  if (!si_puo_sostituire(opzioni, file)) {
    rimuovi(temporaneo);
    return std::nullopt;
  }
  // The old file is closed before the new one takes its name: some systems
  // refuse to replace a file that is still open.
  vecchio.chiudi();
  if (auto e = sostituisci(temporaneo, file)) {
    // Some systems take the old file away before the new one has its name; the
    // new file must then never be removed.
    std::error_code assente;
    if (!fs::exists(file, assente) && !assente) return nuovo_rimasto(nome, e, temporaneo);
    return annulla(e);
  }
  sincronizza_cartella(file.parent_path());
  return std::nullopt;
}

// Into the file itself, when a new file could not take the old one's place
// with all it has: a copy of the old content beside it first, put back when
// writing fails, removed once the new content is on the disk. After a crash the
// copy is what is left of the old content; its name says whose copy it is.
std::optional<std::string> scrivi_sul_posto(const elenco_tratti& tratti, const std::string& nome,
                                            const fs::path& file, const file_aperto& vecchio,
                                            const stato_file& stato, std::uint64_t& impronta,
                                            const opzioni_salvataggio& opzioni) {
  if (!si_puo_sostituire(opzioni, file)) return std::nullopt;
  const fs::path cartella = file.parent_path();
  file_aperto copia;
  fs::path nome_copia;
  if (auto e = crea_file_nuovo(cartella / (file.filename() += ".copia-"), copia, nome_copia)) {
    return fallito_accanto(cartella, nome, e);
  }
  auto scarta_copia = [&](const std::error_code& e) {
    rimuovi(nome_copia);
    return fallito(nome, e);
  };
  if (auto e = copia_fino_alla_fine(vecchio, 0, copia, 0)) return scarta_copia(e);
  if (auto e = sincronizza(copia)) return scarta_copia(e);
  sincronizza_cartella(cartella);

  // Records after section N are already in place; a shorter file grows.
  std::error_code errore = scrivi_tratti(vecchio, tratti, impronta);
  const std::uint64_t scritti = std::uint64_t{tratti.size()} * tratti.byte_record();
  if (!errore && opzioni.senza_oltre && stato.dimensione > scritti)
    errore = tronca(vecchio, scritti);
  if (!errore) errore = sincronizza(vecchio);
  if (errore) {
    std::error_code ripristino = copia_fino_alla_fine(copia, 0, vecchio, 0);
    if (!ripristino) ripristino = tronca(vecchio, stato.dimensione);
    if (!ripristino) ripristino = sincronizza(vecchio);
    if (ripristino) return copia_rimasta(nome, errore, nome_copia);
    return scarta_copia(errore);
  }
  copia.chiudi();
  rimuovi(nome_copia);
  return std::nullopt;
}

// A section file made anew where none is: written beside, then given the name.
std::optional<std::string> crea_file(const elenco_tratti& tratti, const std::string& nome,
                                     const fs::path& file, std::uint64_t& impronta) {
  const fs::path cartella = file.parent_path().empty() ? fs::path(".") : file.parent_path();
  file_aperto nuovo;
  fs::path temporaneo;
  if (auto e = crea_file_nuovo(cartella / nome_temporaneo(file), nuovo, temporaneo)) {
    return fallito_accanto(cartella, nome, e);
  }
  auto annulla = [&](const std::error_code& e) {
    nuovo.chiudi();
    rimuovi(temporaneo);
    return fallito(nome, e);
  };
  if (auto e = imposta_permessi(nuovo, 0644)) return annulla(e);
  if (auto e = scrivi_tratti(nuovo, tratti, impronta)) return annulla(e);
  if (auto e = sincronizza(nuovo)) return annulla(e);
  if (auto e = nuovo.chiudi()) return annulla(e);
  if (auto e = dai_nome(temporaneo, file)) return annulla(e);
  sincronizza_cartella(cartella);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> salva_tratti(const scenario& store, std::uint64_t* impronta) {
  opzioni_salvataggio opzioni;
  opzioni.impronta = impronta;
  return salva_tratti(store, opzioni);
}

std::optional<std::string> salva_tratti(const scenario& store, const opzioni_salvataggio& opzioni) {
  const std::string nome = testo_utf8(store.file_tratti.filename());
  std::uint64_t* const impronta = opzioni.impronta;
  if (opzioni.crea) {
    identita_file identita;
    if (!leggi_identita(store.file_tratti, identita) && !identita.presente) {
      std::uint64_t scritta = 0;
      auto errore = crea_file(store.tratti, nome, store.file_tratti, scritta);
      if (!errore && impronta != nullptr) *impronta = scritta;
      return errore;
    }
  }

  // The file itself, through any symbolic link, so that the link stays a link.
  std::error_code ec;
  const fs::path file = fs::canonical(store.file_tratti, ec);
  if (ec) return fallito(nome, ec);
  file_aperto vecchio;
  if (auto e = apri_per_scrivere(file, vecchio)) {
    if (negato(e) || e == std::errc::read_only_file_system) return sola_lettura(nome, e);
    return fallito(nome, e);
  }
  stato_file stato;
  if (auto e = leggi_stato(vecchio, stato)) return fallito(nome, e);
  if (!stato.ordinario) {
    return "Impossibile salvare il file " + nome + ": non è un file ordinario.";
  }
  // Marked read-only for everybody: kept so even for a user whose rights would
  // let the write through.
  if ((stato.permessi & 0222) == 0) return sola_lettura(nome, {});

  const fs::path cartella = file.parent_path();
  std::uint64_t scritta = 0;
  std::optional<std::string> errore;
  // A new file in its place would break the hard links and lose an access
  // control list: those are written in place from the start.
  bool sul_posto = stato.collegamenti > 1 || stato.acl;
  file_aperto nuovo;
  fs::path temporaneo;
  if (!sul_posto) {
    if (auto e = crea_file_nuovo(cartella / nome_temporaneo(file), nuovo, temporaneo)) {
      return fallito_accanto(cartella, nome, e);
    }
    // The new file must get the old owner and group; where it cannot, in place.
    if (auto e = adotta_proprietario(nuovo, vecchio)) {
      nuovo.chiudi();
      rimuovi(temporaneo);
      if (!negato(e)) return fallito(nome, e);
      sul_posto = true;
    }
  }
  if (sul_posto) {
    errore = scrivi_sul_posto(store.tratti, nome, file, vecchio, stato, scritta, opzioni);
  } else {
    errore = sostituisci_file(store.tratti, nome, file, vecchio, stato, nuovo, temporaneo, scritta,
                              opzioni);
  }
  if (opzioni.fermato != nullptr && *opzioni.fermato) return errore;
  if (!errore && impronta != nullptr) *impronta = scritta;
  return errore;
}

}  // namespace sopra
