// The small shared helpers: letter case of names, a value set for a scope, guarded work.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/guarded.h"
#include "platform/scoped_value.h"
#include "platform/text_case.h"

namespace prenos {

TEST(TextCase, OnlyAsciiLettersFoldAndLengthsMustMatch) {
  EXPECT_TRUE(SameText("TemePoz", "TEMEPOZ"));
  EXPECT_TRUE(SameText("c:\\TorvikError.DB", "C:\\torvikerror.db"));
  EXPECT_FALSE(SameText("Kljuc", "Kljuc "));
  EXPECT_FALSE(SameText("Kljuc", "Klju"));
  EXPECT_FALSE(SameText("Poz[", "Poz{"));  // 0x5B and 0x7B differ by 32 but are no letters
  // Windows-1250 "Š" and "š" stay different, whatever the locale says.
  EXPECT_FALSE(SameText("\x8A", "\x9A"));
  EXPECT_EQ(UpperCase("kljuc \x9A{z}"), "KLJUC \x9A{Z}");
}

TEST(ScopedValue, TheOldValueComesBackOnReturnAndOnException) {
  int depth = 1;
  {
    const TScopedValue scoped(depth, 2);
    EXPECT_EQ(depth, 2);
  }
  EXPECT_EQ(depth, 1);
  std::string state = "browse";
  EXPECT_THROW(
      {
        const TScopedValue scoped(state, std::string("applying"));
        EXPECT_EQ(state, "applying");
        throw std::runtime_error("post failed");
      },
      std::runtime_error);
  EXPECT_EQ(state, "browse");
}

TEST(Guarded, AnEscapingExceptionReachesTheHandlerWhichCanRethrowIt) {
  std::string seen;
  RunGuarded([] { throw std::runtime_error("grid failed"); },
             [&] {
               try {
                 throw;
               } catch (const std::exception& e) {
                 seen = e.what();
               }
             });
  EXPECT_EQ(seen, "grid failed");
  int handled = 0, ran = 0;
  RunGuarded([&] { ++ran; }, [&] { ++handled; });
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(handled, 0);
}

}  // namespace prenos
