#include <gtest/gtest.h>
#ifndef _WIN32  // the faults and protections below are set up with POSIX calls
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>

#include "analysis/caricamento.hpp"
#include "file_di_prova.hpp"
#include "generatore_demo.hpp"
#include "scenario/errori_sistema.hpp"
#include "scenario/salva_tratti.hpp"

namespace sopra {
namespace {

namespace fs = std::filesystem;
using prova::cartella_temporanea;
using prova::contenuto;
using prova::leggi_file;
using prova::scrivi_file;

// A demo scenario in a temporary folder, loaded.
struct scenario_caricato {
  cartella_temporanea cartella;
  scenario store;

  explicit scenario_caricato(bool compatto = true, std::int32_t metri = 500) {
    scrivi_scenario_demo(cartella.percorso(), "Valle_Andata", "Valle", {metri, compatto, 7});
    EXPECT_EQ(carica(), std::nullopt);
  }
  std::optional<std::string> carica() {
    return carica_scenario(cartella / "Valle_Andata.si3", store);
  }
  fs::path tratti() const { return cartella / "Valle_Andata.da3"; }
};

TEST(MotivoErrore, ItalianoPerLeCauseSoliteAltrimentiQuelloDelSistema) {
  EXPECT_EQ(motivo_errore(EACCES), "permesso negato");
  EXPECT_EQ(motivo_errore(ENOSPC), "disco pieno");
  EXPECT_EQ(motivo_errore(EFBIG), "file troppo grande");
  EXPECT_EQ(motivo_errore(EBADF), std::strerror(EBADF));
  EXPECT_FALSE(motivo_errore(123456).empty());
  // The same reasons through the standard library's error codes.
  EXPECT_EQ(motivo_errore(std::make_error_code(std::errc::no_space_on_device)), "disco pieno");
  EXPECT_EQ(motivo_errore(std::error_code(ENOENT, std::system_category())),
            "file o cartella inesistente");
  EXPECT_EQ(motivo_errore(std::make_error_code(std::errc::bad_file_descriptor)),
            std::make_error_code(std::errc::bad_file_descriptor).message());
}

TEST(Salva, SenzaModificheIlFileResta) {
  for (bool compatto : {true, false}) {
    scenario_caricato s(compatto);
    const auto prima = leggi_file(s.tratti());
    ASSERT_EQ(prima.size(), 151u * (compatto ? 156 : 516));
    ASSERT_EQ(salva_tratti(s.store), std::nullopt);
    EXPECT_EQ(leggi_file(s.tratti()), prima);
  }
}

TEST(Salva, RecordDopoNRestanoEFileCortiCrescono) {
  scenario_caricato s;
  auto byte = leggi_file(s.tratti());
  std::vector<std::uint8_t> oltre(49 * 156);
  for (std::size_t i = 0; i < oltre.size(); ++i) oltre[i] = static_cast<std::uint8_t>(i * 7);
  byte.insert(byte.end(), oltre.begin(), oltre.end());  // 200 records in the file
  scrivi_file(s.tratti(), byte);
  ASSERT_EQ(s.carica(), std::nullopt);
  s.store.tratti.apri(3).oggetti[4] = oggetto{129, 382, -1, 5, 6, 7};
  ASSERT_EQ(salva_tratti(s.store), std::nullopt);
  const auto dopo = leggi_file(s.tratti());
  ASSERT_EQ(dopo.size(), 200u * 156);
  const auto attesi = s.store.tratti.codifica();
  EXPECT_TRUE(std::equal(attesi.begin(), attesi.end(), dopo.begin()));
  EXPECT_TRUE(std::equal(oltre.begin(), oltre.end(), dopo.begin() + 151 * 156));
  EXPECT_EQ(dopo[3 * 156 + 40], 129);

  // A file shorter than sections 0 .. N grows to (N + 1) records.
  scrivi_file(s.tratti(), std::vector<std::uint8_t>(1000, 1));
  ASSERT_EQ(salva_tratti(s.store), std::nullopt);
  EXPECT_EQ(leggi_file(s.tratti()), attesi);
}

TEST(Salva, FileSparitoOCartellaAlSuoPosto) {
  scenario_caricato s;
  fs::remove(s.tratti());
  EXPECT_EQ(salva_tratti(s.store),
            "Impossibile salvare il file Valle_Andata.da3: file o cartella inesistente.");
  EXPECT_FALSE(fs::exists(s.tratti()));  // absent, as it was

  fs::create_directory(s.tratti());
  scrivi_file(s.tratti() / "dentro", {1, 2, 3});
  EXPECT_EQ(salva_tratti(s.store), "Impossibile salvare il file Valle_Andata.da3: è una cartella.");
  EXPECT_TRUE(fs::is_directory(s.tratti()));
  EXPECT_EQ(contenuto(s.tratti()), std::vector<std::string>{"dentro"});

  // Once the file is back, the same store saves.
  fs::remove_all(s.tratti());
  scrivi_file(s.tratti(), {});
  ASSERT_EQ(salva_tratti(s.store), std::nullopt);
  EXPECT_EQ(leggi_file(s.tratti()), s.store.tratti.codifica());
}

TEST(Salva, CartellaSparita) {
  scenario store;
  {
    scenario_caricato s;
    store = s.store;
  }  // the folder is removed here
  ASSERT_FALSE(fs::exists(store.file_tratti.parent_path()));
  EXPECT_EQ(salva_tratti(store),
            "Impossibile salvare il file Valle_Andata.da3: file o cartella inesistente.");
  EXPECT_FALSE(fs::exists(store.file_tratti.parent_path()));
}

// Faults and protections that POSIX calls set up: file modes, owners, hard and
// symbolic links, file size limits and another user in a child process.
#ifndef _WIN32

// Everything of a file that saving must keep, and the names in its folder.
struct fotografia {
  std::vector<std::uint8_t> byte;
  ino_t inode;
  mode_t modo;
  uid_t proprietario;
  gid_t gruppo;
  nlink_t collegamenti;
  std::vector<std::string> nomi;

  explicit fotografia(const fs::path& file) : byte(leggi_file(file)) {
    struct stat s {};
    ::stat(file.c_str(), &s);
    inode = s.st_ino;
    modo = s.st_mode;
    proprietario = s.st_uid;
    gruppo = s.st_gid;
    collegamenti = s.st_nlink;
    nomi = contenuto(file.parent_path());
  }
  bool operator==(const fotografia&) const = default;
};

const std::string sola_lettura =
    "Il file Valle_Andata.da3 è di sola lettura: non è stato modificato. Per salvare, renderlo "
    "scrivibile e riprovare.";

TEST(Salva, PermessiConservatiTestataELineaIntatte) {
  scenario_caricato s;
  fs::permissions(s.tratti(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const auto testata = fs::last_write_time(s.cartella / "Valle_Andata.si3");
  const auto linea = fs::last_write_time(s.cartella / "Valle_linea.da3");
  const auto nomi = contenuto(s.cartella.percorso());
  ASSERT_EQ(salva_tratti(s.store), std::nullopt);
  EXPECT_EQ(fs::status(s.tratti()).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(fs::last_write_time(s.cartella / "Valle_Andata.si3"), testata);
  EXPECT_EQ(fs::last_write_time(s.cartella / "Valle_linea.da3"), linea);
  EXPECT_EQ(contenuto(s.cartella.percorso()), nomi);  // no temporary file left behind
}

TEST(Salva, AttraversoUnCollegamentoSimbolico) {
  scenario_caricato s;
  fs::rename(s.tratti(), s.cartella / "vero.da3");
  fs::create_symlink("vero.da3", s.tratti());
  ASSERT_EQ(s.carica(), std::nullopt);
  s.store.tratti.apri(2).oggetti[0].tipo = 129;
  ASSERT_EQ(salva_tratti(s.store), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(s.tratti()));
  EXPECT_EQ(leggi_file(s.cartella / "vero.da3"), s.store.tratti.codifica());
}

// Runs `lavoro` in a child process and returns the text it hands back, so that
// the child may change its file size limit or its user without touching the
// test process.
std::string in_un_figlio(const std::function<std::string()>& lavoro) {
  int canale[2];
  if (::pipe(canale) != 0) return "pipe";
  const pid_t figlio = ::fork();
  if (figlio == 0) {
    ::close(canale[0]);
    const std::string testo = lavoro();
    [[maybe_unused]] auto n = ::write(canale[1], testo.data(), testo.size());
    ::_exit(0);
  }
  ::close(canale[1]);
  std::string testo;
  char blocco[256];
  for (ssize_t n; (n = ::read(canale[0], blocco, sizeof blocco)) > 0;) testo.append(blocco, n);
  ::close(canale[0]);
  int stato = 0;
  ::waitpid(figlio, &stato, 0);
  return testo;
}

// Saves with a file size limit of `limite` bytes, as on a disk that fills
// during the write; returns the message, empty when saved.
std::string salva_con_limite(const scenario& store, rlim_t limite) {
  return in_un_figlio([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit r{limite, limite};
    ::setrlimit(RLIMIT_FSIZE, &r);
    return salva_tratti(store).value_or("");
  });
}

// The unprivileged user the tests save as when they run as root (nobody).
constexpr uid_t utente_comune = 65534;
constexpr gid_t gruppo_comune = 65534;
bool da_root() {
  return ::geteuid() == 0;
}

// Saves as a user without root's rights and returns the message, empty when
// saved: as root, in a child that gives root up for utente_comune with no
// supplementary groups; as any other user, right here.
std::string salva_da_utente_comune(const scenario& store) {
  if (!da_root()) return salva_tratti(store).value_or("");
  return in_un_figlio([&]() -> std::string {
    if (::setgroups(0, nullptr) != 0 || ::setgid(gruppo_comune) != 0 ||
        ::setuid(utente_comune) != 0 || ::geteuid() == 0) {
      return "non si lascia root";
    }
    return salva_tratti(store).value_or("");
  });
}

// Gives the scenario's folder and section file to utente_comune when running
// as root, so that the user in salva_da_utente_comune owns them.
void al_utente_comune(const scenario_caricato& s) {
  if (!da_root()) return;
  ASSERT_EQ(::chown(s.cartella.percorso().c_str(), utente_comune, gruppo_comune), 0);
  ASSERT_EQ(::chown(s.tratti().c_str(), utente_comune, gruppo_comune), 0);
}

TEST(Salva, DiscoPienoLasciaIlFileComEra) {
  scenario_caricato s(true, 20000);  // 541 sections, 84,396 bytes
  const fotografia prima(s.tratti());
  s.store.tratti.apri(10).oggetti[0] = oggetto{129, 100, 1, 0, 0, 0};
  EXPECT_EQ(salva_con_limite(s.store, 4096),
            "Impossibile salvare il file Valle_Andata.da3: file troppo grande. Il file non è stato "
            "modificato.");
  EXPECT_EQ(fotografia(s.tratti()), prima);
  // Once there is room again, the same store saves.
  ASSERT_EQ(salva_tratti(s.store), std::nullopt);
  EXPECT_EQ(leggi_file(s.tratti()), s.store.tratti.codifica());
}

TEST(Salva, CollegamentiFisiciRestanoEIRecordDopoN) {
  scenario_caricato s;
  auto byte = leggi_file(s.tratti());
  byte.resize(200 * 156, 0x5a);  // records 151 .. 199 beyond the line
  scrivi_file(s.tratti(), byte);
  fs::create_hard_link(s.tratti(), s.cartella / "altro_nome.da3");
  ASSERT_EQ(s.carica(), std::nullopt);
  s.store.tratti.apri(3).oggetti[4] = oggetto{129, 382, -1, 5, 6, 7};
  const fotografia prima(s.tratti());

  std::uint64_t impronta = 0;
  ASSERT_EQ(salva_tratti(s.store, &impronta), std::nullopt);
  EXPECT_EQ(impronta, s.store.tratti.impronta());
  fotografia dopo(s.tratti());
  const auto attesi = s.store.tratti.codifica();
  ASSERT_EQ(dopo.byte.size(), byte.size());
  EXPECT_TRUE(std::equal(attesi.begin(), attesi.end(), dopo.byte.begin()));
  EXPECT_TRUE(std::equal(byte.begin() + 151 * 156, byte.end(), dopo.byte.begin() + 151 * 156));
  EXPECT_EQ(leggi_file(s.cartella / "altro_nome.da3"), dopo.byte);
  dopo.byte = prima.byte;
  EXPECT_EQ(dopo, prima);  // the same file, links, owner and permissions; no copy left
}

TEST(Salva, DiscoPienoScrivendoSulPostoRimetteIlContenutoDiPrima) {
  scenario_caricato s;
  fs::create_hard_link(s.tratti(), s.cartella / "altro_nome.da3");
  s.store.tratti.apri(10).oggetti[0] = oggetto{129, 100, 1, 0, 0, 0};
  const std::string errore =
      "Impossibile salvare il file Valle_Andata.da3: file troppo grande. Il file non è stato "
      "modificato.";
  // The copy of the old content does not fit.
  const fotografia intero(s.tratti());
  EXPECT_EQ(salva_con_limite(s.store, 4096), errore);
  EXPECT_EQ(fotografia(s.tratti()), intero);

  // The copy fits, the new content (longer than the file) does not: the old
  // content goes back and the file its old length.
  scrivi_file(s.tratti(), std::vector<std::uint8_t>(1000, 0xa5));
  const fotografia corto(s.tratti());
  EXPECT_EQ(salva_con_limite(s.store, 4096), errore);
  EXPECT_EQ(fotografia(s.tratti()), corto);
}

TEST(Salva, MemoriaInsufficienteLasciaIlFileComEraESenzaAvanzi) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#else
  scenario_caricato s(true, 400000);  // 8,000 sections: a block buffer of about a megabyte
  const fotografia prima(s.tratti());
  s.store.tratti.apri(10).oggetti[0] = oggetto{129, 100, 1, 0, 0, 0};
  // In a child whose address space has room for small things only.
  const std::string messaggio = in_un_figlio([&] {
    std::vector<void*> pezzi;
    pezzi.reserve(std::size_t{1} << 16);
    std::ifstream statm("/proc/self/statm");
    std::size_t pagine = 0;
    statm >> pagine;
    const rlim_t limite = pagine * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (4u << 20);
    const rlimit r{limite, limite};
    ::setrlimit(RLIMIT_AS, &r);
    // Every free piece of memory taken in small bits, then a few bits given back:
    // room for a file name, none for a block of records.
    while (void* p = std::malloc(4096)) pezzi.push_back(p);
    for (int k = 0; k < 32 && !pezzi.empty(); ++k) {
      std::free(pezzi.back());
      pezzi.pop_back();
    }
    return salva_tratti(s.store).value_or("");
  });
  EXPECT_EQ(messaggio,
            "Impossibile salvare il file Valle_Andata.da3: memoria insufficiente. Il file non è "
            "stato modificato.");
  EXPECT_EQ(fotografia(s.tratti()), prima);  // same bytes, same folder listing
#endif
}

TEST(Salva, FileDiSolaLetturaNonVieneMaiSostituito) {
  scenario_caricato s;
  al_utente_comune(s);
  fs::permissions(s.tratti(),
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  s.store.tratti.apri(10).oggetti[0] = oggetto{129, 100, 1, 0, 0, 0};
  const fotografia prima(s.tratti());
  EXPECT_EQ(salva_da_utente_comune(s.store), sola_lettura);
  EXPECT_EQ(fotografia(s.tratti()), prima);
  // Root's rights do not override the mark either.
  EXPECT_EQ(salva_tratti(s.store), sola_lettura);
  EXPECT_EQ(fotografia(s.tratti()), prima);
}

TEST(Salva, CartellaDoveNonSiCreanoFile) {
  scenario_caricato s;
  al_utente_comune(s);
  if (da_root()) {
    ASSERT_EQ(::chown(s.cartella.percorso().c_str(), 0, 0), 0);
  }
  fs::permissions(s.cartella.percorso(), fs::perms::owner_all | fs::perms::group_read |
                                             fs::perms::group_exec | fs::perms::others_read |
                                             fs::perms::others_exec);
  if (!da_root()) {
    fs::permissions(s.cartella.percorso(), fs::perms::owner_write, fs::perm_options::remove);
  }
  const fotografia prima(s.tratti());
  EXPECT_EQ(salva_da_utente_comune(s.store),
            "Nella cartella " + fs::canonical(s.cartella.percorso()).string() +
                " non si possono creare file (permesso negato): il file Valle_Andata.da3 non è "
                "stato modificato. Per salvare, rendere scrivibile la cartella e riprovare.");
  EXPECT_EQ(fotografia(s.tratti()), prima);
}

// Files of another user: only root can set these up.

TEST(Salva, FileDiUnAltroUtenteNonScrivibileNonVieneSostituito) {
  if (!da_root()) GTEST_SKIP() << "only root can give a file to another user";
  scenario_caricato s;  // owned by root, mode 644, in a folder everybody may write
  fs::permissions(s.cartella.percorso(), fs::perms::all);
  fs::permissions(s.tratti(), fs::perms::owner_read | fs::perms::owner_write |
                                  fs::perms::group_read | fs::perms::others_read);
  const fotografia prima(s.tratti());
  EXPECT_EQ(salva_da_utente_comune(s.store), sola_lettura);
  EXPECT_EQ(fotografia(s.tratti()), prima);
}

TEST(Salva, FileDiUnAltroUtenteScrivibileTieneProprietarioEPermessi) {
  if (!da_root()) GTEST_SKIP() << "only root can give a file to another user";
  scenario_caricato s;  // owned by root, mode 666: the other user writes into it
  fs::permissions(s.cartella.percorso(), fs::perms::all);
  fs::permissions(s.tratti(), fs::perms::owner_read | fs::perms::owner_write |
                                  fs::perms::group_read | fs::perms::group_write |
                                  fs::perms::others_read | fs::perms::others_write);
  s.store.tratti.apri(10).oggetti[0] = oggetto{129, 100, 1, 0, 0, 0};
  fotografia prima(s.tratti());
  EXPECT_EQ(salva_da_utente_comune(s.store), "");
  fotografia dopo(s.tratti());
  EXPECT_EQ(dopo.byte, s.store.tratti.codifica());
  prima.byte = dopo.byte;
  EXPECT_EQ(dopo, prima);

  // Root gives a replacing file the owner and group of the old one.
  ASSERT_EQ(::chown(s.tratti().c_str(), utente_comune, gruppo_comune), 0);
  s.store.tratti.apri(11).oggetti[0] = oggetto{129, 200, -1, 0, 0, 0};
  ASSERT_EQ(salva_tratti(s.store), std::nullopt);
  dopo = fotografia(s.tratti());
  EXPECT_EQ(dopo.byte, s.store.tratti.codifica());
  EXPECT_EQ(dopo.proprietario, utente_comune);
  EXPECT_EQ(dopo.gruppo, gruppo_comune);
  EXPECT_EQ(dopo.modo, prima.modo);
  EXPECT_EQ(dopo.nomi, prima.nomi);
}
#endif  // _WIN32

}  // namespace
}  // namespace sopra
