#include "progetto/profilo.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <system_error>

#include "progetto/parametri.hpp"
#include "scenario/errori_sistema.hpp"
#include "scenario/file_scenario.hpp"
#include "scenario/nomi_file.hpp"

namespace sopra {

namespace fs = std::filesystem;

namespace {

// The ending of a scenario's own profile, after the scenario's name.
constexpr std::string_view estensione_profilo = ".velocita.csv";
// The profile's fields on a line, as its heading and its messages name them.
constexpr std::string_view forma_riga = "POSIZIONE;V oppure POSIZIONE;V;v";
// Beyond this a double no longer holds every whole metre.
constexpr double posizione_massima = 9007199254740992.0;  // 2^53
// A field longer than this is cut in a message.
constexpr std::size_t caratteri_citati = 30;

// The wording of a profile's faults, in one place. Each fault of a line is a
// clause that follows "Il profilo di velocità NAME, riga N: ".
namespace testi {

// The fields as the faults name them.
constexpr std::string_view posizione = "la posizione";
constexpr std::string_view massima = "la velocità massima";
constexpr std::string_view minima = "la velocità minima";

std::string profilo(std::string_view nome_file) {
  return "Il profilo di velocità " + std::string(nome_file);
}

std::string riga(std::string_view nome_file, std::size_t numero, const std::string& difetto) {
  return profilo(nome_file) + ", riga " + std::to_string(numero) + ": " + difetto + '.';
}

std::string senza_tratti(std::string_view nome_file) {
  return profilo(nome_file) + " non ha nessun tratto: scrivere almeno una riga " +
         std::string(forma_riga) + ", la prima alla posizione 0.";
}

std::string illeggibile(std::string_view nome_file, const std::string& motivo) {
  return "Impossibile leggere il profilo di velocità " + std::string(nome_file) + ": " + motivo +
         '.';
}

std::string troppo_grande(std::string_view nome_file) {
  return profilo(nome_file) + " è troppo grande (più di " +
         std::to_string(byte_massimi_profilo >> 20) +
         " MiB): non è un profilo di velocità, controllare il file.";
}

// `campo` as a message quotes it: cut, at a character's start, when long.
std::string citato(std::string_view campo) {
  if (campo.size() <= caratteri_citati) return std::string(campo);
  std::size_t fine = caratteri_citati;
  while (fine > 0 && (static_cast<unsigned char>(campo[fine]) & 0xC0) == 0x80) --fine;
  return std::string(campo.substr(0, fine)) + "…";
}

std::string manca(std::string_view cosa) {
  return "manca " + std::string(cosa);
}
std::string non_numero(std::string_view cosa, std::string_view campo) {
  return std::string(cosa) + " \"" + citato(campo) + "\" non è un numero";
}
std::string negativa(std::string_view cosa, std::string_view campo) {
  return std::string(cosa) + ' ' + citato(campo) + " è negativa";
}
std::string non_intera(std::string_view campo) {
  return std::string(posizione) + ' ' + citato(campo) + " non è un numero intero di metri";
}
std::string posizione_enorme(std::string_view campo) {
  return std::string(posizione) + ' ' + citato(campo) + " è troppo grande";
}
std::string prima_non_zero(std::int64_t metri) {
  return "la prima posizione è " + std::to_string(metri) + ", ma il profilo comincia da 0";
}
std::string non_crescente(std::int64_t metri, std::int64_t precedente) {
  return std::string(posizione) + ' ' + std::to_string(metri) +
         " non è maggiore della precedente (" + std::to_string(precedente) + ')';
}
std::string massima_non_positiva(std::string_view campo) {
  return std::string(massima) + ' ' + citato(campo) + " non è maggiore di 0 km/h";
}
std::string massima_eccessiva(std::string_view campo) {
  return std::string(massima) + ' ' + citato(campo) + " supera " +
         std::to_string(static_cast<long long>(velocita_oltre_ogni_treno)) + " km/h";
}
std::string minima_oltre_massima(std::string_view campo_minima, std::string_view campo_massima) {
  return std::string(minima) + ' ' + citato(campo_minima) + " supera la massima (" +
         citato(campo_massima) + ')';
}
std::string troppi_campi(std::size_t campi) {
  return "troppi campi (" + std::to_string(campi) + "): una riga è " + std::string(forma_riga);
}
std::string non_utf8() {
  return "il testo non è UTF-8 valido: salvare il file con la codifica UTF-8";
}

}  // namespace testi

constexpr bool blank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view senza_blank(std::string_view testo) {
  while (!testo.empty() && blank(testo.front())) testo.remove_prefix(1);
  while (!testo.empty() && blank(testo.back())) testo.remove_suffix(1);
  return testo;
}

// Whether `testo` is well-formed UTF-8: no stray continuation byte, no
// overlong form, no surrogate, nothing above U+10FFFF.
bool utf8_valido(std::string_view testo) {
  for (std::size_t i = 0; i < testo.size();) {
    const auto b = static_cast<unsigned char>(testo[i]);
    std::size_t seguenti;
    unsigned char minimo = 0x80, massimo = 0xBF;  // the range of the first continuation byte
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      seguenti = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      seguenti = 2;
      if (b == 0xE0) minimo = 0xA0;   // overlong
      if (b == 0xED) massimo = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      seguenti = 3;
      if (b == 0xF0) minimo = 0x90;   // overlong
      if (b == 0xF4) massimo = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (testo.size() - i <= seguenti) return false;
    for (std::size_t k = 1; k <= seguenti; ++k) {
      const auto c = static_cast<unsigned char>(testo[i + k]);
      if (c < (k == 1 ? minimo : 0x80) || c > (k == 1 ? massimo : 0xBF)) return false;
    }
    i += seguenti + 1;
  }
  return true;
}

// The value of a decimal field: an optional sign, digits with at most one "."
// or "," among them; nothing for anything else. A value beyond a double is
// infinite, one too small for a double is 0.
std::optional<double> decimale(std::string_view campo) {
  std::string cifre;
  bool separatore = false, cifra = false;
  for (std::size_t i = 0; i < campo.size(); ++i) {
    const char c = campo[i];
    if ((c == '-' || c == '+') && i == 0) {
      if (c == '-') cifre += c;
    } else if (c == '.' || c == ',') {
      if (separatore) return std::nullopt;
      separatore = true;
      cifre += '.';
    } else if (c >= '0' && c <= '9') {
      cifra = true;
      cifre += c;
    } else {
      return std::nullopt;
    }
  }
  if (!cifra) return std::nullopt;
  double valore = 0;
  const auto [fine, errore] =
      std::from_chars(cifre.data(), cifre.data() + cifre.size(), valore, std::chars_format::fixed);
  if (errore == std::errc::result_out_of_range) {
    // Too large when a digit other than 0 comes before the separator.
    const std::string_view intera = std::string_view(cifre).substr(0, cifre.find('.'));
    const bool grande = intera.find_first_of("123456789") != std::string_view::npos;
    const double modulo = grande ? std::numeric_limits<double>::infinity() : 0.0;
    return cifre.front() == '-' ? -modulo : modulo;
  }
  if (errore != std::errc() || fine != cifre.data() + cifre.size()) return std::nullopt;
  return valore;
}

// One stretch read from a line, or the clause that says what is wrong with it.
std::variant<tratto_velocita, std::string> leggi_riga(std::string_view riga,
                                                      const tratto_velocita* precedente) {
  std::string_view campi[3];
  std::size_t numero_campi = 0;
  for (std::size_t inizio = 0;; ++numero_campi) {
    const std::size_t fine = riga.find(';', inizio);
    if (numero_campi < 3) campi[numero_campi] = senza_blank(riga.substr(inizio, fine - inizio));
    if (fine == std::string_view::npos) break;
    inizio = fine + 1;
  }
  ++numero_campi;
  if (numero_campi > 3) return testi::troppi_campi(numero_campi);

  tratto_velocita tratto;
  // The position.
  if (campi[0].empty()) return testi::manca(testi::posizione);
  const std::optional<double> metri = decimale(campi[0]);
  if (!metri) return testi::non_numero(testi::posizione, campi[0]);
  if (*metri < 0) return testi::negativa(testi::posizione, campi[0]);
  if (*metri != std::floor(*metri)) return testi::non_intera(campi[0]);
  if (*metri > posizione_massima) return testi::posizione_enorme(campi[0]);
  tratto.da_metri = static_cast<std::int64_t>(*metri);
  if (!precedente && tratto.da_metri != 0) return testi::prima_non_zero(tratto.da_metri);
  if (precedente && tratto.da_metri <= precedente->da_metri)
    return testi::non_crescente(tratto.da_metri, precedente->da_metri);

  // V.
  if (numero_campi < 2 || campi[1].empty()) return testi::manca(testi::massima);
  const std::optional<double> v_max = decimale(campi[1]);
  if (!v_max) return testi::non_numero(testi::massima, campi[1]);
  if (!(*v_max > 0)) return testi::massima_non_positiva(campi[1]);
  if (*v_max > velocita_oltre_ogni_treno) return testi::massima_eccessiva(campi[1]);
  tratto.velocita_massima = *v_max;

  // v: empty or 0 is none.
  if (numero_campi == 3 && !campi[2].empty()) {
    const std::optional<double> v_min = decimale(campi[2]);
    if (!v_min) return testi::non_numero(testi::minima, campi[2]);
    if (*v_min < 0) return testi::negativa(testi::minima, campi[2]);
    if (*v_min > *v_max) return testi::minima_oltre_massima(campi[2], campi[1]);
    tratto.velocita_minima = *v_min;  // -0 too reads as none
  }
  return tratto;
}

// The shortest fixed-point text that reads back as `valore`, "." as separator.
std::string testo_decimale(double valore) {
  char testo[400];  // room for the longest fixed form of a double of a speed
  const auto [fine, errore] =
      std::to_chars(testo, testo + sizeof testo, valore, std::chars_format::fixed);
  if (errore != std::errc()) return std::to_string(valore);
  return std::string(testo, fine);
}

}  // namespace

profilo_velocita profilo_velocita::costante(double massima, double minima) {
  if (!(massima > 0)) return {};
  return profilo_velocita({{0, massima, minima > 0 ? minima : 0}});
}

profilo_velocita profilo_velocita::da_parametri(const parametri_progetto& parametri) {
  return costante(parametri.velocita_massima, parametri.velocita_minima);
}

std::vector<std::uint32_t> profilo_velocita::tratti_delle_righe(std::size_t numero_righe) const {
  std::vector<std::uint32_t> indici(numero_righe);
  std::uint32_t j = 0;
  for (std::size_t r = 0; r < numero_righe; ++r) {
    const std::int64_t metri = posizione_tratto(tratto_della_riga(r));
    while (j + 1 < tratti_.size() && tratti_[j + 1].da_metri <= metri) ++j;
    indici[r] = j;
  }
  return indici;
}

std::variant<profilo_velocita, std::string> leggi_profilo_testo(std::string_view testo,
                                                                std::string_view nome_file) {
  constexpr std::string_view bom = "\xEF\xBB\xBF";
  if (testo.starts_with(bom)) testo.remove_prefix(bom.size());
  std::vector<tratto_velocita> tratti;
  std::size_t numero = 0;
  for (std::size_t inizio = 0; inizio < testo.size();) {
    ++numero;
    const std::size_t a_capo = std::min(testo.find('\n', inizio), testo.size());
    std::string_view riga = testo.substr(inizio, a_capo - inizio);
    inizio = a_capo + 1;
    if (riga.ends_with('\r')) riga.remove_suffix(1);
    const std::string_view contenuto = senza_blank(riga);
    // Comments are passed over whatever their bytes: a note in another code page hurts nothing.
    if (contenuto.empty() || contenuto.front() == '#') continue;
    if (!utf8_valido(contenuto)) return testi::riga(nome_file, numero, testi::non_utf8());
    auto letto = leggi_riga(contenuto, tratti.empty() ? nullptr : &tratti.back());
    if (auto* difetto = std::get_if<std::string>(&letto))
      return testi::riga(nome_file, numero, *difetto);
    tratti.push_back(std::get<tratto_velocita>(letto));
  }
  if (tratti.empty()) return testi::senza_tratti(nome_file);
  return profilo_velocita(std::move(tratti));
}

std::variant<profilo_velocita, std::string> leggi_profilo(const fs::path& file) {
  const std::string nome = testo_utf8(file.filename());
  std::error_code ec;
  const std::uintmax_t dimensione = fs::file_size(file, ec);
  if (ec) return testi::illeggibile(nome, motivo_errore(ec));
  if (dimensione > byte_massimi_profilo) return testi::troppo_grande(nome);

  errno = 0;
  std::ifstream flusso(file, std::ios::binary);
  if (!flusso) return testi::illeggibile(nome, motivo_errore(errno != 0 ? errno : EIO));
  // Read to its end, which may have moved since its size was taken.
  std::string testo;
  char blocco[1 << 16];
  while (flusso.read(blocco, sizeof blocco) || flusso.gcount() > 0) {
    testo.append(blocco, static_cast<std::size_t>(flusso.gcount()));
    if (testo.size() > byte_massimi_profilo) return testi::troppo_grande(nome);
  }
  if (flusso.bad()) return testi::illeggibile(nome, motivo_errore(errno != 0 ? errno : EIO));
  return leggi_profilo_testo(testo, nome);
}

std::optional<fs::path> trova_profilo(const fs::path& file_testata) {
  const fs::path cartella =
      file_testata.parent_path().empty() ? fs::path(".") : file_testata.parent_path();
  return trova_file(cartella, testo_utf8(file_testata.stem()) + std::string(estensione_profilo));
}

std::string testo_profilo(const profilo_velocita& profilo) {
  std::string testo = "# posizione m;velocità massima km/h;velocità minima km/h\n";
  for (const tratto_velocita& t : profilo.tratti()) {
    (testo += std::to_string(t.da_metri)) += ';';
    testo += testo_decimale(t.velocita_massima);
    if (t.velocita_minima > 0) (testo += ';') += testo_decimale(t.velocita_minima);
    testo += '\n';
  }
  return testo;
}

}  // namespace sopra
