#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "file_di_prova.hpp"
#include "generatore_demo.hpp"
#include "scenario/errori_sistema.hpp"
#include "scenario/file_scenario.hpp"
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
  EXPECT_EQ(motivo_errore(EROFS), "file system di sola lettura");
  EXPECT_EQ(motivo_errore(ENOSPC), "disco pieno");
  EXPECT_EQ(motivo_errore(EFBIG), "file troppo grande");
  EXPECT_EQ(motivo_errore(EIO), "errore di input/output");
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
  s.store.tratti[3].oggetti[4] = oggetto{129, 382, -1, 5, 6, 7};
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
  s.store.tratti[2].oggetti[0].tipo = 129;
  ASSERT_EQ(salva_tratti(s.store), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(s.tratti()));
  EXPECT_EQ(leggi_file(s.cartella / "vero.da3"), s.store.tratti.codifica());
}

// Saves in a child process whose file size limit is `limite` bytes, as a disk
// that fills during the write; returns the child's error message.
std::string salva_con_limite(const scenario& store, rlim_t limite) {
  int canale[2];
  if (::pipe(canale) != 0) return "pipe";
  const pid_t figlio = ::fork();
  if (figlio == 0) {
    ::close(canale[0]);
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit r{limite, limite};
    ::setrlimit(RLIMIT_FSIZE, &r);
    const auto errore = salva_tratti(store).value_or("");
    [[maybe_unused]] auto n = ::write(canale[1], errore.data(), errore.size());
    ::_exit(0);
  }
  ::close(canale[1]);
  std::string messaggio;
  char blocco[256];
  for (ssize_t n; (n = ::read(canale[0], blocco, sizeof blocco)) > 0;) messaggio.append(blocco, n);
  ::close(canale[0]);
  int stato = 0;
  ::waitpid(figlio, &stato, 0);
  return messaggio;
}

TEST(Salva, DiscoPienoLasciaIlFileComEra) {
  scenario_caricato s(true, 20000);  // 541 sections, 84,396 bytes
  const auto prima = leggi_file(s.tratti());
  const auto nomi = contenuto(s.cartella.percorso());
  s.store.tratti[10].oggetti[0] = oggetto{129, 100, 1, 0, 0, 0};
  const std::string errore = salva_con_limite(s.store, 4096);
  EXPECT_EQ(errore, "Impossibile salvare il file Valle_Andata.da3: file troppo grande");
  EXPECT_EQ(leggi_file(s.tratti()), prima);
  EXPECT_EQ(contenuto(s.cartella.percorso()), nomi);
  // Once there is room again, the same store saves.
  ASSERT_EQ(salva_tratti(s.store), std::nullopt);
  EXPECT_EQ(leggi_file(s.tratti()), s.store.tratti.codifica());
}

TEST(Salva, FileSparitoOCartellaAlSuoPosto) {
  scenario_caricato s;
  fs::remove(s.tratti());
  auto errore = salva_tratti(s.store);
  ASSERT_TRUE(errore);
  EXPECT_EQ(*errore, "Impossibile salvare il file Valle_Andata.da3: file o cartella inesistente");
  EXPECT_FALSE(fs::exists(s.tratti()));  // absent, as it was

  fs::create_directory(s.tratti());
  scrivi_file(s.tratti() / "dentro", {1, 2, 3});
  errore = salva_tratti(s.store);
  ASSERT_TRUE(errore);
  EXPECT_EQ(*errore, "Impossibile salvare il file Valle_Andata.da3: è una cartella");
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
  const auto errore = salva_tratti(store);
  ASSERT_TRUE(errore);
  EXPECT_EQ(*errore, "Impossibile salvare il file Valle_Andata.da3: file o cartella inesistente");
  EXPECT_FALSE(fs::exists(store.file_tratti.parent_path()));
}

}  // namespace
}  // namespace sopra
