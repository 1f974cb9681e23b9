#include "app/riga_di_comando.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "analysis/curva.hpp"
#include "editing/testo_numero.hpp"
#include "progetto/parametri.hpp"

namespace sopra::batch {

namespace {

constexpr unsigned bit(comando c) {
  return 1u << static_cast<unsigned>(c);
}

constexpr unsigned con_file = bit(comando::elenco) | bit(comando::classi) | bit(comando::tratto) |
                              bit(comando::raccordi) | bit(comando::verifica) |
                              bit(comando::progetta) | bit(comando::relazione);
constexpr unsigned che_salvano =
    bit(comando::classi) | bit(comando::tratto) | bit(comando::raccordi) | bit(comando::progetta);
// The commands that read a speed along the line: --profilo, or the scenario's own profile.
constexpr unsigned con_profilo = bit(comando::proposta) | bit(comando::raccordi) |
                                 bit(comando::verifica) | bit(comando::progetta) |
                                 bit(comando::relazione);
constexpr unsigned di_progetto = con_profilo | bit(comando::classi);

struct nome_comando {
  std::string_view nome;
  comando cosa;
};
constexpr nome_comando comandi[] = {
    {"elenco", comando::elenco},     {"classi", comando::classi},
    {"tratto", comando::tratto},     {"proposta", comando::proposta},
    {"raccordi", comando::raccordi}, {"verifica", comando::verifica},
    {"progetta", comando::progetta}, {"relazione", comando::relazione},
};

// The index of the design parameter of option `nome`, or numero_parametri.
std::size_t trova_parametro(std::string_view nome) {
  return static_cast<std::size_t>(
      std::ranges::find(parametri_di_progetto, nome, &parametro_progetto::opzione) -
      parametri_di_progetto.begin());
}

// The commands that take option `nome`, as a set of bits; 0 for an unknown option.
unsigned comandi_ammessi(std::string_view nome) {
  if (nome == "--valori") return bit(comando::classi);
  if (nome == "--posizione" || nome == "--mm") return bit(comando::tratto);
  if (nome == "--prova" || nome == "--elenco") return che_salvano;
  if (nome == "--profilo") return con_profilo;
  if (nome == "--csv") return bit(comando::elenco);
  if (trova_parametro(nome) < numero_parametri) return di_progetto;
  return 0;
}

// A number written with "." as decimal separator, nothing before or after it.
double numero(std::string_view opzione, std::string_view testo) {
  double valore = 0;
  const auto [fine, errore] = std::from_chars(testo.data(), testo.data() + testo.size(), valore);
  if (testo.empty() || errore != std::errc{} || fine != testo.data() + testo.size() ||
      !std::isfinite(valore)) {
    throw errore_uso{std::string(opzione) +
                     " vuole un numero (separatore decimale il punto), non \"" +
                     std::string(testo) + "\""};
  }
  return valore;
}

// Sets design parameter `k` from the text of its option, as the core judges it.
void leggi_parametro(std::size_t k, std::string_view testo, parametri_progetto& valori) {
  const std::string_view opzione = parametri_di_progetto[k].opzione;
  if (const auto motivo = imposta_parametro(valori, k, numero(opzione, testo)))
    throw errore_uso{std::string(opzione) + ' ' + *motivo};
}

// The eight class texts of --valori, separated by commas.
std::array<std::string, numero_classi> testi_classi(std::string_view valori) {
  if (std::ranges::count(valori, ',') != numero_classi - 1)
    throw errore_uso{"--valori vuole otto valori separati da virgole"};
  std::array<std::string, numero_classi> testi;
  for (std::string& testo : testi) {
    const std::size_t virgola = std::min(valori.find(','), valori.size());
    testo = valori.substr(0, virgola);
    valori.remove_prefix(std::min(virgola + 1, valori.size()));
  }
  return testi;
}

// The whole number of metres of --posizione.
long long metri(std::string_view testo) {
  long long valore = 0;
  const auto [fine, errore] = std::from_chars(testo.data(), testo.data() + testo.size(), valore);
  if (testo.empty() || errore != std::errc{} || fine != testo.data() + testo.size())
    throw errore_uso{"--posizione vuole un numero intero di metri, non \"" + std::string(testo) +
                     "\""};
  return valore;
}

}  // namespace

richiesta leggi_argomenti(std::span<const std::string_view> argomenti) {
  richiesta r;
  const auto fine_opzioni = std::ranges::find(argomenti, std::string_view("--"));
  const auto aiuto = std::find_if(argomenti.begin(), fine_opzioni,
                                  [](std::string_view a) { return a == "-h" || a == "--help"; });
  const auto versione = std::find(argomenti.begin(), fine_opzioni, std::string_view("--version"));
  if (aiuto != fine_opzioni || versione != fine_opzioni) {
    // Help wins over --version and over whatever comes before it; nothing may follow.
    const auto chiesto = aiuto != fine_opzioni ? aiuto : versione;
    if (chiesto + 1 != argomenti.end())
      throw errore_uso{std::string(*chiesto) +
                       " non vuole altri argomenti: " + std::string(chiesto[1])};
    if (chiesto == versione) r.cosa = comando::versione;
    return r;
  }
  if (argomenti.empty()) throw errore_uso{"manca il comando"};
  const auto c = std::ranges::find(comandi, argomenti[0], &nome_comando::nome);
  if (c == std::end(comandi)) throw errore_uso{"comando sconosciuto: " + std::string(argomenti[0])};
  r.cosa = c->cosa;
  const std::string nome(c->nome);

  std::vector<std::string_view> date;
  bool solo_file = false;
  for (std::size_t i = 1; i < argomenti.size(); ++i) {
    const std::string_view a = argomenti[i];
    if (solo_file || !a.starts_with("-") || a == "-") {
      r.file.emplace_back(a);
      continue;
    }
    if (a == "--") {
      solo_file = true;
      continue;
    }
    const unsigned ammessi = comandi_ammessi(a);
    if (ammessi == 0) throw errore_uso{"opzione sconosciuta: " + std::string(a)};
    if ((ammessi & bit(r.cosa)) == 0)
      throw errore_uso{"l'opzione " + std::string(a) + " non vale per " + nome};
    if (std::ranges::find(date, a) != date.end())
      throw errore_uso{"l'opzione " + std::string(a) + " è data due volte"};
    date.push_back(a);
    if (a == "--prova") {
      r.prova = true;
      continue;
    }
    if (a == "--elenco") {
      r.elenco = true;
      continue;
    }
    if (a == "--csv") {
      r.csv = true;
      continue;
    }
    if (i + 1 == argomenti.size()) throw errore_uso{"manca il valore di " + std::string(a)};
    const std::string_view valore = argomenti[++i];
    if (const std::size_t k = trova_parametro(a); k < numero_parametri) {
      leggi_parametro(k, valore, r.parametri);
    } else if (a == "--valori") {
      r.testi_classi = testi_classi(valore);
    } else if (a == "--posizione") {
      r.posizione = metri(valore);
    } else if (a == "--mm") {
      r.millimetri = valore;
    } else if (a == "--profilo") {
      r.profilo = valore;
    }
  }

  const auto data = [&](std::string_view opzione) {
    return std::ranges::find(date, opzione) != date.end();
  };
  const bool velocita = data(parametri_di_progetto[indice_velocita_massima].opzione);
  r.velocita = velocita;
  if (r.profilo && (velocita || data(parametri_di_progetto[indice_velocita_minima].opzione)))
    throw errore_uso{
        "--profilo e --velocita non vanno insieme: le velocità sono quelle del profilo"};
  if (r.cosa == comando::classi) {
    if (r.testi_classi && velocita)
      throw errore_uso{"classi vuole --valori oppure --velocita, non entrambi"};
    if (!r.testi_classi && !velocita) throw errore_uso{"classi vuole --valori oppure --velocita"};
    if (r.testi_classi &&
        std::ranges::any_of(parametri_di_progetto, data, &parametro_progetto::opzione)) {
      throw errore_uso{"i parametri di progetto valgono con --velocita, non con --valori"};
    }
  }
  if (r.cosa == comando::proposta && !velocita && !r.profilo)
    throw errore_uso{"proposta vuole --velocita oppure --profilo"};
  if ((r.cosa == comando::proposta || r.cosa == comando::classi || r.cosa == comando::progetta) &&
      velocita && r.parametri.velocita_massima == 0) {
    throw errore_uso{"--velocita deve essere maggiore di 0"};
  }
  if (const auto rifiuto = controlla_parametri(r.parametri))
    throw errore_uso{std::string(parametri_di_progetto[rifiuto->indice].opzione) + ' ' +
                     rifiuto->motivo};
  if (r.cosa == comando::tratto) {
    if (!r.posizione) throw errore_uso{"tratto vuole --posizione"};
    if (!r.millimetri) throw errore_uso{"tratto vuole --mm"};
  }
  if ((con_file & bit(r.cosa)) != 0 && r.file.empty())
    throw errore_uso{"manca il file dello scenario (FILE.si3)"};
  if (r.cosa == comando::tratto && r.file.size() != 1)
    throw errore_uso{"tratto vuole un solo file"};
  if (r.cosa == comando::proposta && !r.file.empty())
    throw errore_uso{"proposta non legge scenari: file in più " + r.file.front()};
  return r;
}

std::string testo_uso() {
  const parametri_progetto p;
  const auto n = [](double valore) { return testo_numero(valore); };
  std::string raggi;
  for (std::size_t k = 0; k < numero_classi; ++k)
    (raggi += k == 0 ? "" : k + 1 == numero_classi ? " e " : ", ") += n(raggi_nominali[k]);
  return "Uso:\n"
         "  sopraelevazione-batch elenco [--csv] FILE.si3...\n"
         "  sopraelevazione-batch classi --valori T0,T1,T2,T3,T4,T5,T6,T7 [--prova] [--elenco] "
         "FILE.si3...\n"
         "  sopraelevazione-batch classi --velocita V [PARAMETRI] [--prova] [--elenco] "
         "FILE.si3...\n"
         "  sopraelevazione-batch tratto --posizione METRI --mm TESTO [--prova] [--elenco] "
         "FILE.si3\n"
         "  sopraelevazione-batch proposta --velocita V [PARAMETRI]\n"
         "  sopraelevazione-batch proposta --profilo FILE [PARAMETRI]\n"
         "  sopraelevazione-batch progetta [PARAMETRI] [--profilo FILE] [--prova] [--elenco] "
         "FILE.si3...\n"
         "  sopraelevazione-batch raccordi [PARAMETRI] [--profilo FILE] [--prova] [--elenco] "
         "FILE.si3...\n"
         "  sopraelevazione-batch verifica [PARAMETRI] [--profilo FILE] FILE.si3...\n"
         "  sopraelevazione-batch relazione [PARAMETRI] [--profilo FILE] FILE.si3...\n"
         "  sopraelevazione-batch -h | --help | --version\n"
         "\n"
         "elenco    stampa le righe dell'elenco dei tratti, una per riga; con --csv una tabella\n"
         "          CSV (posizione, tipo, lato, raggio nominale e misurato, sopraelevazione).\n"
         "classi    imposta la sopraelevazione di tutte le curve per tipo di curva. T0..T7 sono\n"
         "          i testi delle otto caselle, in millimetri, per i raggi\n"
         "          " +
         raggi +
         " m;\n"
         "          con --velocita sono quelli della proposta.\n"
         "tratto    imposta la sopraelevazione del tratto alla posizione METRI (una riga\n"
         "          dell'elenco) al testo TESTO in millimetri (da -" +
         n(sopraelevazione_limite) + " a " + n(sopraelevazione_limite) +
         ").\n"
         "proposta  stampa per ogni tipo di curva la sopraelevazione proposta per la velocità\n"
         "          V; l'ultima riga è --valori P0,...,P7, pronta per classi.\n"
         "raccordi  alza la sopraelevazione dei tratti vicini alle curve perché nessun salto\n"
         "          fra due tratti superi il massimo ammesso; non la abbassa mai.\n"
         "progetta  progetta la sopraelevazione di tutta la linea dal raggio misurato e dalla\n"
         "          velocità di ogni tratto, con i raccordi; abbassa dove un bivio, un tratto\n"
         "          senza slot libero o una controcurva non lasciano spazio.\n"
         "verifica  stampa i problemi della sopraelevazione della linea, uno per riga:\n"
         "          POSIZIONE<TAB>CODICE<TAB>TESTO; non modifica nulla.\n"
         "relazione stampa la relazione delle curve in CSV (\";\" fra i campi, \",\" decimale),\n"
         "          una riga per curva; non modifica nulla.\n"
         "\n"
         "--profilo FILE  le velocità lungo la linea: una riga per tratto, POSIZIONE_M;V[;v]\n"
         "          (da quella posizione in poi). Senza --profilo e senza --velocita vale il\n"
         "          file NOME.velocita.csv accanto allo scenario, se c'è.\n"
         "--prova   non salva nulla.\n"
         "--elenco  stampa le righe dell'elenco dopo la modifica.\n"
         "Con più file, le righe di ciascuno seguono una riga \"# FILE\".\n"
         "\n"
         "PARAMETRI (predefiniti fra parentesi):\n"
         "  --velocita V          velocità massima dei treni, km/h, al più " +
         n(velocita_oltre_ogni_treno) +
         " (nessuna)\n"
         "  --velocita-minima v   velocità dei treni più lenti, km/h (nessuna)\n"
         "  --massimo MM          sopraelevazione massima, mm interi, al più " +
         n(sopraelevazione_limite) + " (" + n(p.sopraelevazione_massima) +
         ")\n"
         "  --insufficienza MM    insufficienza ammessa alla velocità V, mm interi (" +
         n(p.insufficienza_ammessa) +
         ")\n"
         "  --eccesso MM          eccesso ammesso alla velocità v, mm interi (" +
         n(p.eccesso_ammesso) +
         ")\n"
         "  --pendenza MM_M       pendenza dei raccordi, mm per metro (" +
         n(p.pendenza_raccordo) +
         ")\n"
         "  --variazione MM_S     variazione massima della sopraelevazione alla velocità V,\n"
         "                        mm al secondo (" +
         n(p.variazione_massima) +
         ")\n"
         "\n"
         "I file di ogni scenario sono cercati nella cartella del suo FILE.si3. Il file dei\n"
         "tratti è salvato solo se il suo contenuto cambia. Il separatore decimale è il punto.\n"
         "Codici di uscita: 0 riuscito; 1 errore di lettura o di salvataggio; 2 errore d'uso;\n"
         "3 la verifica ha trovato problemi.\n";
}

}  // namespace sopra::batch
