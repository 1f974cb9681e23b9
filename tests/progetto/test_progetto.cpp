#include "progetto/progetto.hpp"

#include <gtest/gtest.h>
