// sopraelevazione-batch: the section list, the cant edits and the cant design
// commands of the window, applied to one or more scenarios from the command line.

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "analysis/caricamento.hpp"
#include "analysis/sopraelevazione.hpp"
#include "app/file_tratti.hpp"
#include "app/riga_di_comando.hpp"
#include "editing/csv.hpp"
#include "editing/elenco.hpp"
#include "editing/messaggi.hpp"
#include "editing/scenario_aperto.hpp"
#include "editing/testo_numero.hpp"
#include "progetto/profilo.hpp"
#include "progetto/progetto.hpp"
#include "progetto/raccordi.hpp"
#include "progetto/relazione.hpp"
#include "progetto/verifica.hpp"
#include "scenario/errori_sistema.hpp"
#include "scenario/memoria_grande.hpp"
#include "scenario/nomi_file.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// shellapi.h needs windows.h before it
#include <shellapi.h>
#endif

#ifndef SOPRA_VERSIONE
#define SOPRA_VERSIONE "sconosciuta"
#endif

namespace {

using namespace sopra;
using namespace sopra::batch;

constexpr std::string_view nome_programma = "sopraelevazione-batch";

enum codice_uscita : int { riuscito = 0, errore_file = 1, errore_di_uso = 2, problemi_trovati = 3 };

// A speed profile that cannot be used: its message names the file and the
// line; the program ends with errore_di_uso before any scenario is touched.
struct errore_profilo {
  std::string messaggio;
};

// Output goes through the C streams; an error writing stdout (a full disk) is
// reported once, when the program ends.
void scrivi(std::string_view testo) {
  std::fwrite(testo.data(), 1, testo.size(), stdout);
}

void scrivi_errore(std::string_view testo) {
  std::fwrite(testo.data(), 1, testo.size(), stderr);
}

// A number with one decimal, "." as separator whatever the locale.
std::string decimale(double valore) {
  char testo[32];
  const auto fine = std::to_chars(testo, testo + sizeof testo, valore, std::chars_format::fixed, 1);
  return {testo, fine.ptr};
}

// Writes the rows of one scenario, one per line, after a "# FILE" line when
// there are several files: straight from the rows' block, with no copy of them.
void scrivi_elenco(const righe_elenco& righe, std::string_view file, bool intestazione) {
  if (intestazione) scrivi("# " + std::string(file) + '\n');
  righe.a_blocchi(scrivi);
}

// The row listed at `posizione` metres; a usage error that gives the listed
// positions when there is none.
std::size_t riga_richiesta(long long posizione, std::size_t numero_righe) {
  std::string motivo =
      "la posizione " + std::to_string(posizione) + " non è una riga dell'elenco dei tratti";
  if (const auto riga = riga_alla_posizione(posizione, numero_righe)) return *riga;
  if (numero_righe == 0) throw errore_uso{motivo + ": l'elenco è vuoto"};
  const std::int32_t prima = posizione_tratto(tratto_della_riga(0));
  const std::int32_t ultima = posizione_tratto(tratto_della_riga(numero_righe - 1));
  throw errore_uso{motivo + ": le righe vanno da " + std::to_string(prima) + " a " +
                   std::to_string(ultima) + " m, ogni " + std::to_string(metri_tratto) + " m"};
}

// The proposal for the speed asked; a usage error without one.
std::array<proposta_classe, numero_classi> proposta_richiesta(const parametri_progetto& parametri) {
  auto proposta = proposta_classi(parametri);
  if (!proposta) throw errore_uso{std::string(testo_senza_velocita)};
  return *proposta;
}

// "--valori P0,P1,...,P7": the proposal as the class command takes it.
std::string opzione_valori(const std::array<proposta_classe, numero_classi>& proposta) {
  std::string testo = "--valori ";
  for (std::size_t k = 0; k < numero_classi; ++k)
    (testo += k == 0 ? "" : ",") += std::to_string(proposta[k].proposta);
  return testo;
}

// The eight class texts of the proposal, after one line on stderr that gives
// them and names the flagged classes.
std::array<std::string, numero_classi> testi_proposta(const parametri_progetto& parametri) {
  const auto proposta = proposta_richiesta(parametri);
  std::array<std::string, numero_classi> testi;
  std::string segnalate;
  for (std::size_t k = 0; k < numero_classi; ++k) {
    testi[k] = std::to_string(proposta[k].proposta);
    if (proposta[k].segnalata())
      (segnalate += segnalate.empty() ? "" : ", ") += std::to_string(proposta[k].raggio);
  }
  std::string riga = "proposta per " + testo_numero(parametri.velocita_massima) +
                     " km/h: " + opzione_valori(proposta);
  if (!segnalate.empty()) riga += "; classi segnalate (vedere proposta): " + segnalate + " m";
  scrivi_errore(riga + '\n');
  return testi;
}

// The speed profile of file `nome`, or errore_profilo.
profilo_velocita profilo_da_file(const std::filesystem::path& file) {
  auto letto = leggi_profilo(file);
  if (auto* errore = std::get_if<std::string>(&letto)) throw errore_profilo{std::move(*errore)};
  return std::get<profilo_velocita>(std::move(letto));
}

// The proposal table for the speeds of `parametri`: a heading, one line per
// class, then the --valori line.
std::string tabella_proposta(const parametri_progetto& parametri) {
  const auto proposta = proposta_richiesta(parametri);
  std::string testo =
      "# raggio m\tequilibrio mm\tproposta mm\tinsufficienza mm\teccesso mm\tvelocità ammessa "
      "km/h\tnota\n";
  for (const proposta_classe& c : proposta) {
    testo += std::to_string(c.raggio) + '\t' + decimale(c.equilibrio) + '\t' +
             std::to_string(c.proposta) + '\t' + decimale(c.insufficienza) + '\t' +
             (c.eccesso ? decimale(*c.eccesso) : std::string("-")) + '\t' +
             std::to_string(c.velocita_con_proposta) + '\t' + nota_proposta(c, parametri) + '\n';
  }
  return testo + opzione_valori(proposta) + '\n';
}

// The proposal for --velocita, or one table for each stretch of --profilo,
// each after a line that gives where the stretch starts and its speeds.
int esegui_proposta(const richiesta& r) {
  if (!r.profilo) {
    scrivi(tabella_proposta(r.parametri));
    return riuscito;
  }
  const profilo_velocita profilo = profilo_da_file(percorso_utf8(*r.profilo));
  std::string testo;
  for (const tratto_velocita& t : profilo.tratti()) {
    parametri_progetto parametri = r.parametri;
    parametri.velocita_massima = t.velocita_massima;
    parametri.velocita_minima = t.velocita_minima;
    testo +=
        "# da " + std::to_string(t.da_metri) + " m: " + testo_numero(t.velocita_massima) + " km/h";
    if (t.velocita_minima > 0) testo += ", minima " + testo_numero(t.velocita_minima) + " km/h";
    testo += '\n' + tabella_proposta(parametri);
  }
  scrivi(testo);
  return riuscito;
}

// The speeds along one scenario's line for a design command: --profilo,
// --velocita, or else the scenario's own NAME.velocita.csv when there is one
// (`proprio` then names it), or else none.
struct velocita_scenario {
  profilo_velocita profilo;
  std::string proprio;
};
velocita_scenario velocita_per(const richiesta& r, const std::string& file,
                               const std::optional<profilo_velocita>& dato) {
  if (dato) return {*dato, {}};
  if (r.velocita) return {profilo_velocita::da_parametri(r.parametri), {}};
  const auto proprio = trova_profilo(percorso_utf8(file));
  if (!proprio) {
    if (r.cosa == comando::progetta)
      throw errore_uso{"progetta vuole --velocita, --profilo o il file " +
                       testo_utf8(percorso_utf8(file).stem()) +
                       ".velocita.csv accanto allo scenario " + file};
    return {profilo_velocita::da_parametri(r.parametri), {}};
  }
  if (r.parametri.velocita_minima > 0)
    throw errore_uso{"--velocita-minima senza --velocita: lo scenario " + file +
                     " ha il suo profilo di velocità " + testo_utf8(proprio->filename()) +
                     "; dare --velocita oppure --profilo"};
  return {profilo_da_file(*proprio), testo_utf8(proprio->filename())};
}

// A load failure as the batch reports it: the loader's message; when no line
// file was found, also the scenario, the names looked for, where, and what to do.
std::string messaggio_caricamento(const std::string& file, const std::string& errore,
                                  const dettagli_caricamento& dettagli) {
  if (dettagli.rimedio.empty()) return errore;
  std::string testo = file + ": " + errore + " (cercati ";
  for (std::size_t i = 0; i < dettagli.file_linea_cercati.size(); ++i)
    (testo += i == 0 ? "" : " e ") += dettagli.file_linea_cercati[i];
  const auto cartella = percorso_utf8(file).parent_path();
  testo += " nella cartella " + (cartella.empty() ? std::string(".") : testo_utf8(cartella));
  return testo + "): " + dettagli.rimedio;
}

// What became of the section file, as a sentence: saved, left alone because
// saving would not change it, or not saved because of --prova. False after a
// save error, whose message goes to stderr.
bool salva_se_cambia(const richiesta& r, scenario_aperto& aperto, std::vector<std::string>& frasi) {
  if (!salvataggio_cambia_file(aperto.store())) {
    frasi.emplace_back("File invariato");
    return true;
  }
  if (r.prova) {
    frasi.emplace_back("Non salvato (--prova)");
    return true;
  }
  // Nobody to ask here: a conflict with another program's changes, a file no
  // longer there or a changed line file stop the save.
  const auto esito = aperto.salva(scenario_aperto::permessi_salvataggio{});
  if (esito.stato != scenario_aperto::stato_salvataggio::salvato) {
    frasi.emplace_back("Non salvato");
    scrivi_errore(testo_salvataggio(esito) + '\n');
    return false;
  }
  if (esito.unito) frasi.push_back(testo_unione(esito));
  frasi.emplace_back("Salvato");
  return true;
}

struct esito_scenario {
  bool riuscito = true;
  bool problemi = false;  // verifica found some
};

// Loads, edits or checks, saves and lists one scenario.
esito_scenario esegui_scenario(const richiesta& r, const std::string& file,
                               const std::array<std::string, numero_classi>* testi_classi,
                               const velocita_scenario& velocita) {
  scenario_caricato caricato = apri_scenario(percorso_utf8(file));
  if (caricato.errore) {
    scrivi_errore(messaggio_caricamento(file, *caricato.errore, caricato.dettagli) + '\n');
    return {false};
  }
  scenario_aperto& aperto = *caricato.aperto;
  for (const std::string& avviso : aperto.store().avvisi) scrivi_errore("avviso: " + avviso + '\n');
  const bool intestazione = r.file.size() > 1;

  esito_scenario esito;
  std::vector<std::string> frasi;  // the summary on stderr
  if (!velocita.proprio.empty())
    frasi.push_back("velocità dal profilo " + velocita.proprio + " (" +
                    std::to_string(velocita.profilo.tratti().size()) +
                    (velocita.profilo.tratti().size() == 1 ? " tratto)" : " tratti)"));
  switch (r.cosa) {
    case comando::classi: {
      const auto e = aperto.applica_classi(*testi_classi);
      frasi.push_back(quanti(e.curve_con_sopraelevazione, "curva con sopraelevazione",
                             "curve con sopraelevazione"));
      if (e.curve_senza_slot > 0) {
        frasi.push_back(testo_curve_senza_slot(e.curve_senza_slot));
        frasi.push_back(testo_posizioni(e.posizioni_senza_slot, e.curve_senza_slot));
      }
      frasi.push_back(quanti(e.oggetti_sopraelevazione_persi, "oggetto sopraelevazione rimosso",
                             "oggetti sopraelevazione rimossi"));
      break;
    }
    case comando::tratto: {
      const std::size_t riga = riga_richiesta(*r.posizione, aperto.quante_righe());
      const auto e = aperto.modifica_tratto(riga, *r.millimetri);
      std::string frase = "Tratto a " + std::to_string(*r.posizione) + " m: ";
      if (e.senza_slot) {
        frasi.push_back(frase + "non modificato");
        frasi.emplace_back(testo_tratto_senza_slot);
      } else {
        const auto mm = millimetri_tratto(aperto.store(), tratto_della_riga(riga));
        frasi.push_back(frase + "sopraelevazione " + std::to_string(mm) + " mm");
      }
      break;
    }
    case comando::raccordi:
      frasi.push_back(
          testo_esito_raccordi(aperto.applica_raccordi(r.parametri, velocita.profilo), ". "));
      break;
    case comando::progetta:
      frasi.push_back(testo_esito_progetto(aperto.progetta(r.parametri, velocita.profilo), ". "));
      break;
    case comando::relazione: {
      std::string testo;
      if (intestazione) testo += "# " + file + '\n';
      testo += testo_csv_relazione(
          relazione_curve(aperto.store(), aperto.geometria(), r.parametri, velocita.profilo));
      scrivi(testo);
      break;
    }
    case comando::verifica: {
      const auto problemi = aperto.verifica(r.parametri, velocita.profilo);
      std::string testo;
      if (intestazione) testo += "# " + file + '\n';
      std::size_t errori = 0;
      for (const problema& p : problemi) {
        errori += errore(p.codice);
        ((testo += std::to_string(p.posizione)) += '\t') += nome_codice(p.codice);
        ((testo += '\t') += testo_problema(p)) += '\n';
      }
      scrivi(testo);
      esito.problemi = !problemi.empty();
      frasi.push_back(testo_problemi(errori, problemi.size() - errori));
      break;
    }
    default:
      break;
  }

  if (r.cosa == comando::classi || r.cosa == comando::tratto || r.cosa == comando::raccordi ||
      r.cosa == comando::progetta) {
    if (!salva_se_cambia(r, aperto, frasi)) esito.riuscito = false;
  }
  if (!frasi.empty()) {
    std::string riassunto = file + ": ";
    for (std::size_t i = 0; i < frasi.size(); ++i) (riassunto += i == 0 ? "" : ". ") += frasi[i];
    scrivi_errore(riassunto + ".\n");
  }
  if (r.cosa == comando::elenco && r.csv) {
    if (intestazione) scrivi("# " + file + '\n');
    scrivi(testo_csv_elenco(aperto.store(), aperto.geometria()));
  } else if (r.cosa == comando::elenco || r.elenco) {
    scrivi_elenco(aperto.righe(), file, intestazione);
  }
  return esito;
}

int esegui(const richiesta& r) {
  switch (r.cosa) {
    case comando::aiuto:
      scrivi(testo_uso());
      return riuscito;
    case comando::versione:
      scrivi(std::string(nome_programma) + ' ' + SOPRA_VERSIONE + '\n');
      return riuscito;
    case comando::proposta:
      return esegui_proposta(r);
    default:
      break;
  }
  std::array<std::string, numero_classi> testi_classi;
  if (r.cosa == comando::classi)
    testi_classi = r.testi_classi ? *r.testi_classi : testi_proposta(r.parametri);

  // Every speed profile is read before any scenario is touched: a wrong one
  // changes nothing.
  std::optional<profilo_velocita> dato;
  if (r.profilo) dato = profilo_da_file(percorso_utf8(*r.profilo));
  std::vector<velocita_scenario> velocita(r.file.size());
  if (r.cosa != comando::elenco && r.cosa != comando::tratto && r.cosa != comando::classi) {
    for (std::size_t i = 0; i < r.file.size(); ++i) velocita[i] = velocita_per(r, r.file[i], dato);
  }

  bool errori = false;
  bool problemi = false;
  for (std::size_t i = 0; i < r.file.size(); ++i) {
    const std::string& file = r.file[i];
    const esito_scenario e = esegui_scenario(r, file, &testi_classi, velocita[i]);
    errori |= !e.riuscito;
    problemi |= e.problemi;
  }
  if (errori) return errore_file;
  return problemi ? problemi_trovati : riuscito;
}

#ifdef _WIN32
// The arguments as UTF-8, read from the UTF-16 command line that Windows keeps:
// its argv holds them in the ANSI code page, which lacks most characters.
std::vector<std::string> argomenti_utf8() {
  std::vector<std::string> argomenti;
  int quanti = 0;
  wchar_t** parole = ::CommandLineToArgvW(::GetCommandLineW(), &quanti);
  if (parole == nullptr) return argomenti;
  for (int i = 1; i < quanti; ++i) {
    const int byte = ::WideCharToMultiByte(CP_UTF8, 0, parole[i], -1, nullptr, 0, nullptr, nullptr);
    std::string testo(byte > 0 ? static_cast<std::size_t>(byte) : 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, parole[i], -1, testo.data(), byte, nullptr, nullptr);
    testo.pop_back();  // the terminating zero
    argomenti.push_back(std::move(testo));
  }
  ::LocalFree(parole);
  return argomenti;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  sopra::tieni_memoria_liberata();
#ifdef _WIN32
  // Output byte for byte as on other systems: no line end turned into CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  static_cast<void>(argc), static_cast<void>(argv);
  const std::vector<std::string> testi = argomenti_utf8();
  const std::vector<std::string_view> argomenti(testi.begin(), testi.end());
#else
  const std::vector<std::string_view> argomenti(argv + 1, argv + argc);
#endif
#ifdef SIGXFSZ
  // Beyond a file size limit the save fails with its message instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  try {
    const int codice = esegui(leggi_argomenti(argomenti));
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
      scrivi_errore("Impossibile scrivere l'uscita del programma: " + motivo_errore(errno) + '\n');
      return errore_file;
    }
    return codice;
  } catch (const errore_profilo& e) {
    scrivi_errore(e.messaggio + '\n');
    return errore_di_uso;
  } catch (const errore_uso& e) {
    std::string_view motivo = e.motivo;
    if (motivo.ends_with('.')) motivo.remove_suffix(1);
    scrivi_errore(std::string(nome_programma) + ": " + std::string(motivo) + "; vedere --help\n");
    return errore_di_uso;
  }
}
