#pragma once
// The window's controls found by their object names, for the programs that
// drive the window as a user would: the benchmark, the README's pictures and
// the smoke run on Windows.

#include <QCoreApplication>
#include <QString>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

// The control named `nome` among the children of `finestra`, of type T. A
// control that is missing ends the program with a message naming it: its
// caller cannot go on without it.
template <class T = QWidget>
T* controllo(const QWidget& finestra, const char* nome) {
  T* c = finestra.findChild<T*>(QString::fromLatin1(nome));
  if (c == nullptr) {
    std::fprintf(stderr, "%s: controllo %s non trovato\n",
                 qPrintable(QCoreApplication::applicationName()), nome);
    std::exit(1);
  }
  return c;
}
