#include "scenario/file_scenario.hpp"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "scenario/accesso_file.hpp"
#include "scenario/errori_sistema.hpp"
#include "scenario/nomi_file.hpp"
#include "scenario/parallelo.hpp"
#include "scenario/unione_tratti.hpp"

namespace sopra {

namespace fs = std::filesystem;

// What loading alone does with the store it fills and the sections it reads:
// gives the store the memory region its arrays come from, and borrows the
// room after the packed slots, while the sections are read, as the buffer
// through which the line file is read.
struct accesso_caricamento {
  static void usa_memoria(scenario& store, std::shared_ptr<regione_memoria> memoria) {
    store.memoria_ = std::move(memoria);
  }
  static std::span<std::uint8_t> buffer_in_prestito(elenco_tratti& tratti) {
    return tratti.buffer_in_prestito();
  }
  static void rendi_buffer_in_prestito(elenco_tratti& tratti) { tratti.rendi_buffer_in_prestito(); }
};

namespace {

// Reads sections 0 .. numero_tratti - 1 from the start of the file a block at a
// time, so that loading holds no second copy of them, and hands each block to
// `esamina`; also gives the file's size (-1 when the system cannot tell).
// Nothing, with `errore` set, when the file cannot be read.
template <class G>
std::optional<elenco_tratti> leggi_tratti(const fs::path& file, bool formato_compatto,
                                          std::size_t numero_tratti, G&& esamina,
                                          long long& dimensione,
                                          const std::shared_ptr<regione_memoria>& memoria,
                                          std::error_code& errore) {
  sistema::file_aperto f;
  if ((errore = sistema::apri_per_leggere(file, f))) return std::nullopt;
  std::uint64_t byte = 0;
  dimensione = sistema::leggi_dimensione(f, byte) ? -1 : static_cast<long long>(byte);
  long long letti = 0;
  std::uint64_t posizione = 0;
  auto tratti = elenco_tratti::leggi_a_blocchi(
      formato_compatto, numero_tratti,
      [&](std::span<std::uint8_t> blocco) -> long long {
        std::size_t n = 0;
        if ((errore = sistema::leggi_a(f, posizione, blocco, n))) return -1;
        posizione += n;
        return static_cast<long long>(n);
      },
      esamina, letti, memoria);
  if (letti < 0) return std::nullopt;
  return tratti;
}

// Points read from the line file a block at a time: 1 MiB, a whole number of points.
constexpr std::size_t punti_per_blocco = (std::size_t{1} << 20) / sizeof(punto_linea);

// The line file's points 0 .. ultimo_punto, of which only those that judge a
// section (punti_tratto) and those halfway between sections (punti_a_meta) are
// kept, read a block at a time by one thread or several at once: each call of
// leggi takes the next block that no call has taken, reads it from a
// descriptor of its own into the buffer it was given and keeps its points,
// until no block is left. Points of no block, beyond the end of the file,
// stay (0, 0).
class lettura_punti {
 public:
  lettura_punti(const fs::path& file, std::size_t ultimo_punto)
      : file_(file), ultimo_punto_(ultimo_punto) {}

  // The bytes of a block.
  static constexpr std::size_t byte_blocco = punti_per_blocco * sizeof(punto_linea);
  // The bytes a buffer for leggi needs: a block, or the whole line when it is shorter.
  std::size_t byte_buffer() const {
    return std::min(byte_blocco, (ultimo_punto_ + 1) * sizeof(punto_linea));
  }
  // Whether the line is read in one block, and so on one thread.
  bool un_blocco() const { return ultimo_punto_ < punti_per_blocco; }

  // Reads blocks through `blocco` into `punti` and `a_meta` until none is left
  // or a read of any call fails; nothing when `blocco` holds fewer than
  // byte_buffer() bytes.
  void leggi(std::span<punti_tratto> punti, std::span<punto_linea> a_meta,
             std::span<std::uint8_t> blocco) {
    if (blocco.size() < byte_buffer()) return;
    if (prossimo_.load() * punti_per_blocco > ultimo_punto_) return;  // none left
    sistema::file_aperto f;
    if (auto e = sistema::apri_per_leggere(file_, f)) return fallisci(e);
    while (!fallita_.load()) {
      const std::size_t primo = prossimo_.fetch_add(1) * punti_per_blocco;
      if (primo > ultimo_punto_) return;
      const std::size_t quanti = std::min(punti_per_blocco, ultimo_punto_ + 1 - primo);
      std::size_t letti = 0;
      if (auto e = sistema::leggi_a(f, std::uint64_t{primo} * sizeof(punto_linea),
                                    blocco.first(quanti * sizeof(punto_linea)), letti))
        return fallisci(e);
      byte_ += static_cast<long long>(letti);
      tieni_punti(primo, letti, blocco, punti, a_meta);
    }
  }

  // How many bytes the file held up to the end of point ultimo_punto, or -1
  // when a read failed; asked once every call of leggi has returned.
  long long byte() const { return fallita_.load() ? -1 : byte_.load(); }
  // The error of the first failed read.
  std::error_code errore() const { return errore_; }

 private:
  void fallisci(std::error_code e) {
    if (!fallita_.exchange(true)) errore_ = e;
  }

  // Keeps the points of a block that starts at point `primo` and holds `letti` bytes.
  static void tieni_punti(std::size_t primo, std::size_t letti, std::span<std::uint8_t> blocco,
                          std::span<punti_tratto> punti, std::span<punto_linea> a_meta) {
    // A point cut by the end of the file reads as zeros beyond that end.
    const std::size_t presenti = (letti + sizeof(punto_linea) - 1) / sizeof(punto_linea);
    std::fill(blocco.begin() + static_cast<std::ptrdiff_t>(letti),
              blocco.begin() + static_cast<std::ptrdiff_t>(presenti * sizeof(punto_linea)),
              std::uint8_t{0});
    // Points primo .. fine - 1 are in the block; section s needs points
    // passo × s - 1, passo × s and passo × s + 1.
    const auto passo = static_cast<std::size_t>(metri_tratto);
    const std::size_t fine = primo + presenti;
    auto punto = [&](std::size_t p, punto_linea& destinazione) {
      if (p >= primo && p < fine)
        destinazione = decodifica_punto(&blocco[(p - primo) * sizeof(punto_linea)]);
    };
    const std::size_t ultimo_s = std::min(punti.size(), fine / passo + 1);
    for (std::size_t s = (primo + passo - 2) / passo; s < ultimo_s; ++s) {
      if (s > 0 && s * passo - 1 >= primo && s * passo + 1 < fine) {
        // The three points lie one after another in the file as in punti_tratto.
        static_assert(sizeof(punti_tratto) == 3 * sizeof(punto_linea) &&
                      offsetof(punti_tratto, qui) == sizeof(punto_linea) &&
                      offsetof(punti_tratto, dopo) == 2 * sizeof(punto_linea));
        std::memcpy(static_cast<void*>(&punti[s]),
                    &blocco[(s * passo - 1 - primo) * sizeof(punto_linea)], sizeof(punti_tratto));
        continue;
      }
      if (s > 0) punto(s * passo - 1, punti[s].prima);
      punto(s * passo, punti[s].qui);
      punto(s * passo + 1, punti[s].dopo);
    }
    // Halfway point k is point passo × k + meta: those from the first at or
    // after primo, each in one block only, as the points above.
    const std::size_t meta = passo / 2;
    for (std::size_t k = primo > meta ? (primo - meta + passo - 1) / passo : 0;
         k < a_meta.size() && k * passo + meta < fine; ++k)
      a_meta[k] = decodifica_punto(&blocco[(k * passo + meta - primo) * sizeof(punto_linea)]);
  }

  const fs::path& file_;
  const std::size_t ultimo_punto_;
  std::atomic<std::size_t> prossimo_{0};  // the next block no call has taken
  std::atomic<long long> byte_{0};
  std::atomic<bool> fallita_{false};
  std::error_code errore_;  // written only by the call whose exchange of fallita_ came first
};

// The room a scenario's memory region has beyond the arrays of its sections:
// the buffer the line file is read through, the alignment of each array, and
// the room the arrays of a short line need beyond their bytes per section.
constexpr std::size_t byte_regione_oltre_i_tratti = std::size_t{8} << 20;
static_assert(byte_regione_oltre_i_tratti >= 2 * lettura_punti::byte_blocco);

// Reads the header file, as far as a header record can reach: a larger file
// (some other file under a header's name) costs no more memory than that.
std::optional<std::vector<std::uint8_t>> leggi_testata(const fs::path& file,
                                                       std::error_code& errore) {
  std::error_code ec;
  const auto dimensione = fs::file_size(file, ec);
  if (ec) {
    // Worded by its number, as the system's error number of a read.
    errore = {ec.value(), std::generic_category()};
    return std::nullopt;
  }
  std::vector<std::uint8_t> byte(std::min<std::uintmax_t>(dimensione, byte_massimi_testata));
  sistema::file_aperto f;
  std::size_t letti = 0;
  if ((errore = sistema::apri_per_leggere(file, f)) ||
      (errore = sistema::leggi_a(f, 0, byte, letti)))
    return std::nullopt;
  byte.resize(letti);
  return byte;
}

bool file_ordinario(const fs::path& file) {
  std::error_code ec;
  return fs::is_regular_file(file, ec);
}

std::string nome_file(const fs::path& file) {
  return testo_utf8(file.filename());
}

// A folder as a message names it: its full path, so that "." or a relative
// name tells the user where to look.
std::string nome_cartella(const fs::path& cartella) {
  std::error_code ec;
  fs::path assoluta = fs::absolute(cartella, ec).lexically_normal();
  if (ec) return testo_utf8(cartella);
  // "/a/b/." normalises to "/a/b/": name the folder without the last separator.
  if (!assoluta.has_filename() && assoluta != assoluta.root_path())
    assoluta = assoluta.parent_path();
  return testo_utf8(assoluta);
}

}  // namespace

bool uguali_senza_maiuscole(const std::string& a, const std::string& b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

std::vector<std::string> nomi_file_linea(const std::string& nome) {
  // Positions count from 1 over S = name + ".si3", as the line-prefix rule is stated.
  const std::string s = nome + ".si3";
  auto carattere = [&](std::size_t posizione) { return s[posizione - 1]; };
  std::size_t d = s.find('.') + 1;
  while (d >= 1 && carattere(d) != '_') --d;
  if (d <= 1) return {};
  std::vector<std::string> nomi = {s.substr(0, d - 1) + "_linea.da3"};
  std::size_t e = d - 1;
  while (e >= 1 && carattere(e) != '_') --e;
  if (e > 1) nomi.push_back(s.substr(0, e - 1) + "_linea.da3");
  return nomi;
}

std::string testo_nome_senza_linea(const std::string& nome) {
  return "Il nome dello scenario " + nome +
         ".si3 non indica la sua linea: un nome di scenario deve avere la forma LINEA_NOME.si3.";
}

std::int32_t ultimo_tratto(std::int32_t lunghezza_linea) {
  const std::int32_t t = lunghezza_linea + metri_oltre_linea;
  const std::int32_t quoziente = t / metri_tratto;
  const std::int32_t resto = t % metri_tratto;
  const std::int32_t meta = metri_tratto / 2;
  if (resto > meta || (resto == meta && quoziente % 2 != 0)) return quoziente + 1;
  return quoziente;
}

std::optional<fs::path> trova_file(const fs::path& cartella, const std::string& nome) {
#ifndef _WIN32
  if (file_ordinario(cartella / nome)) return cartella / nome;
#endif
  // On Windows, whose names ignore case already, the exact name would open the
  // file whatever its spelling: the folder is read for the spelling on disk,
  // which the messages then show as on other systems.
  std::error_code ec;
  for (const auto& voce : fs::directory_iterator(cartella, ec)) {
    if (uguali_senza_maiuscole(testo_utf8(voce.path().filename()), nome) &&
        file_ordinario(voce.path())) {
      return voce.path();
    }
  }
  return std::nullopt;
}

namespace {

// The line file of a scenario name: the name up to the last underscore in front
// of its first dot, then, when there is no such file, up to the underscore
// before that. Empty, with the message, when the name has no usable underscore
// or neither file exists; `cercati` receives the names looked for.
struct ricerca_linea {
  std::optional<fs::path> file;
  std::string errore;
};

ricerca_linea trova_file_linea(const fs::path& cartella, const std::string& nome,
                               std::vector<std::string>& cercati) {
  const std::vector<std::string> nomi = nomi_file_linea(nome);
  if (nomi.empty()) return {std::nullopt, testo_nome_senza_linea(nome)};
  for (const std::string& candidato : nomi) {
    cercati.push_back(candidato);
    if (auto file = trova_file(cartella, candidato)) return {file, {}};
  }
  return {std::nullopt, "file linea non trovato"};
}

std::string testo_intero(long long n) {
  return std::to_string(n);
}

// What the section file's size says about it: not a whole number of records,
// or fewer records than the line needs.
void controlla_dimensione_tratti(const fs::path& file, long long dimensione,
                                 const elenco_tratti& tratti, std::vector<std::string>& avvisi) {
  if (dimensione < 0) return;
  const auto record = static_cast<long long>(tratti.byte_record());
  const auto necessari = static_cast<long long>(tratti.size());
  if (dimensione % record != 0) {
    avvisi.push_back(
        "Il file dei tratti " + nome_file(file) + " misura " + testo_intero(dimensione) +
        " byte, che non sono un numero intero di tratti da " + testo_intero(record) + " byte.");
  }
  if (dimensione / record < necessari) {
    avvisi.push_back("Il file dei tratti " + nome_file(file) + " contiene " +
                     testo_intero(dimensione / record) + " tratti interi sui " +
                     testo_intero(necessari) +
                     " della linea: i mancanti sono letti senza oggetti e il salvataggio li "
                     "aggiunge al file.");
  }
}

std::optional<std::string> carica(const fs::path& file_testata, scenario& store,
                                  osservatore_tratti* osservatore, dettagli_caricamento& dettagli) {
  scenario caricato;
  const fs::path cartella =
      file_testata.parent_path().empty() ? fs::path(".") : file_testata.parent_path();
  const std::string nome_testata = nome_file(file_testata);
  const std::string nome =
      nome_testata.substr(0, nome_testata.size() >= 4 ? nome_testata.size() - 4 : 0);

  // Header.
  const auto testata = trova_file(cartella, nome_testata);
  std::error_code ec;
  if (!testata && fs::is_directory(cartella / nome_testata, ec)) {
    return nome_testata + " è una cartella, non il file di uno scenario: scegliere un file .si3.";
  }
  // Another kind of file (a text, a device such as /dev/null) is told for what
  // it is, not looked for as a scenario that is missing.
  if (!uguali_senza_maiuscole(nome_testata.substr(nome.size()), ".si3")) {
    return "Il file " + nome_testata + " della cartella " + nome_cartella(cartella) +
           " non è uno scenario: il nome del file di uno scenario finisce con .si3.";
  }
  if (!testata && fs::exists(cartella / nome_testata, ec)) {
    return "Il file " + nome_testata + " della cartella " + nome_cartella(cartella) +
           " non è un file ordinario ma un file speciale del sistema: scegliere il file .si3 di "
           "uno scenario.";
  }
  if (!testata) {
    return "Lo scenario " + nome_testata + " non è nella cartella " + nome_cartella(cartella) +
           ": controllare il nome del file.";
  }
  std::error_code errore_testata;
  auto byte_testata = leggi_testata(*testata, errore_testata);
  if (!byte_testata) {
    return "Impossibile leggere il file " + nome_file(*testata) + ": " +
           motivo_errore(errore_testata) + ".";
  }
  const auto posizione = posizione_lunghezza_linea(*byte_testata);
  if (!posizione) {
    return "Il file " + nome_file(*testata) + " non è un'intestazione di scenario completa (" +
           testo_intero(static_cast<long long>(byte_testata->size())) +
           " byte): finisce prima della lunghezza della linea.";
  }
  std::int32_t lunghezza;
  std::memcpy(&lunghezza, byte_testata->data() + *posizione, sizeof lunghezza);

  // Layout marker.
  caricato.formato_compatto = lunghezza <= marcatore_esteso;
  if (!caricato.formato_compatto) lunghezza -= marcatore_esteso;
  if (lunghezza < 0 || lunghezza > marcatore_esteso) {
    return "Il file " + nome_file(*testata) + " indica una lunghezza della linea non valida (" +
           std::to_string(lunghezza) + " m).";
  }
  caricato.testata = {std::move(*byte_testata), *posizione, lunghezza};

  // The other two files, found before anything large is allocated.
  auto linea = trova_file_linea(cartella, nome, dettagli.file_linea_cercati);
  if (!linea.file) {
    if (!dettagli.file_linea_cercati.empty()) {
      dettagli.rimedio = "copiare il file linea " + dettagli.file_linea_cercati.front() +
                         " nella cartella dello scenario";
    }
    return linea.errore;
  }
  const auto tratti = trova_file(cartella, nome + ".da3");
  if (!tratti) {
    return "Il file dei tratti " + nome + ".da3 non è nella cartella " + nome_cartella(cartella) +
           ": copiarlo lì insieme al file dello scenario.";
  }

  // Sections 0 .. N and, of line points 0 .. T, the three that judge each
  // section and the one halfway to the next. The two files are independent:
  // the line file is read on a thread of its own while this one reads the
  // sections, when there are two processors, and this one then takes its share
  // of the line blocks left. A failure of the section file is reported before
  // one of the line file, as when they are read in turn.
  const auto numero_tratti = static_cast<std::size_t>(ultimo_tratto(lunghezza)) + 1;
  const auto ultimo_punto = static_cast<std::size_t>(lunghezza + metri_oltre_linea);
  // One stretch of memory for the large arrays of this scenario, taken in
  // this order: the line points, the buffer the line file is read through,
  // then the sections, whose packed slots come last and give back the room
  // they did not need, then, once loaded, the arrays built from the store.
  // Each owner of an array states its bytes per section.
  const auto memoria = std::make_shared<regione_memoria>(
      numero_tratti * (scenario::byte_punti_per_tratto +
                       elenco_tratti::byte_per_tratto(caricato.formato_compatto) +
                       scenario::byte_per_tratto_costruiti_dopo) +
      byte_regione_oltre_i_tratti);
  accesso_caricamento::usa_memoria(caricato, memoria);
  caricato.punti = decltype(caricato.punti)(allocatore_grande<punti_tratto>(memoria));
  caricato.punti.reserve(numero_tratti);
  caricato.punti_a_meta = decltype(caricato.punti_a_meta)(allocatore_grande<punto_linea>(memoria));
  caricato.punti_a_meta.reserve(numero_tratti);
  lettura_punti linea_letta(*linea.file, ultimo_punto);
  std::vector<std::uint8_t, allocatore_grande<std::uint8_t>> blocco_linea(
      linea_letta.byte_buffer(), allocatore_grande<std::uint8_t>(memoria));

  long long dimensione_tratti = -1;
  std::optional<elenco_tratti> letti;
  std::error_code errore_tratti;
  // caricato.punti and punti_a_meta have their final size
  std::atomic<bool> punti_pronti = false;
  const auto leggi_i_file = [&](std::size_t primo, std::size_t fine) {
    for (std::size_t file = primo; file < fine; ++file) {
      if (file == 0) {
        letti = leggi_tratti(
            *tratti, caricato.formato_compatto, numero_tratti,
            [&](const blocco_letto& blocco) {
              if (osservatore != nullptr) osservatore->esamina(blocco);
            },
            dimensione_tratti, memoria, errore_tratti);
        if (letti && punti_pronti.load()) {
          // This thread reads the line file through the room left after the
          // packed slots, borrowed until the sections are closed.
          const std::span<std::uint8_t> buffer_in_prestito =
              accesso_caricamento::buffer_in_prestito(*letti);
          linea_letta.leggi(caricato.punti, caricato.punti_a_meta, buffer_in_prestito);
        }
      } else {
        // Sized on this thread, which fills most of it: the first touch of
        // fresh memory is slow.
        caricato.punti.resize(numero_tratti);
        caricato.punti_a_meta.resize(numero_tratti);
        punti_pronti.store(true);
        linea_letta.leggi(caricato.punti, caricato.punti_a_meta, blocco_linea);
      }
    }
  };
  // A line of one block is read right after the sections: a thread would cost
  // more than it saves.
  in_parallelo(
      2,
      linea_letta.un_blocco() ? 1 : std::min<std::size_t>(2, std::thread::hardware_concurrency()),
      leggi_i_file);
  if (letti) accesso_caricamento::rendi_buffer_in_prestito(*letti);
  if (!letti)
    return "Impossibile leggere il file " + nome_file(*tratti) + ": " +
           motivo_errore(errore_tratti) + ".";
  caricato.tratti = std::move(*letti);
  const long long byte_linea = linea_letta.byte();
  if (byte_linea < 0)
    return "Impossibile leggere il file " + nome_file(*linea.file) + ": " +
           motivo_errore(linea_letta.errore()) + ".";

  // What looks wrong in the files, without refusing them.
  controlla_dimensione_tratti(*tratti, dimensione_tratti, caricato.tratti, caricato.avvisi);
  caricato.punti_nel_file = static_cast<std::size_t>(byte_linea) / sizeof(punto_linea);
  const auto byte_necessari = static_cast<long long>((ultimo_punto + 1) * sizeof(punto_linea));
  if (byte_linea < byte_necessari) {
    const long long punti = byte_linea / static_cast<long long>(sizeof(punto_linea));
    caricato.avvisi.push_back("Il file linea " + nome_file(*linea.file) + " contiene " +
                              testo_intero(punti) + " punti sui " +
                              testo_intero(static_cast<long long>(ultimo_punto) + 1) +
                              " della linea: oltre il metro " + testo_intero(punti) +
                              " la linea è letta come un rettilineo.");
  }
  if (osservatore != nullptr) osservatore->avvisa(*tratti, caricato.avvisi);

  // What identifies the three files. A change made since they were read is
  // still found when saving: the sections on disk are compared by digest.
  caricato.letti = {identita_di(*testata), identita_di(*tratti), identita_di(*linea.file)};
  caricato.file_testata = *testata;
  caricato.file_tratti = *tratti;
  caricato.file_linea = *linea.file;
  store = std::move(caricato);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> leggi_file_scenario(const fs::path& file_testata, scenario& store,
                                               osservatore_tratti* osservatore,
                                               dettagli_caricamento* dettagli) {
  dettagli_caricamento trovati;
  // Running out of memory or a folder that cannot be listed is reported like
  // any other load failure, never by ending the program.
  std::optional<std::string> errore;
  try {
    errore = carica(file_testata, store, osservatore, trovati);
  } catch (const std::bad_alloc&) {
    errore = "Memoria insufficiente per caricare lo scenario " + nome_file(file_testata) +
             ": chiudere altri programmi e riprovare.";
  } catch (const fs::filesystem_error& e) {
    errore = "Impossibile leggere la cartella " + testo_utf8(e.path1()) + ": " +
             motivo_errore(e.code()) + ".";
  }
  if (dettagli != nullptr) *dettagli = errore ? std::move(trovati) : dettagli_caricamento{};
  return errore;
}

}  // namespace sopra
