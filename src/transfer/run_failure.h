// The failure that ends a transfer run: which step of the run failed and the message of
// the failure, for the box that tells the user nothing was booked.
#pragma once

#include <string>
#include <utility>

#include "platform/exceptions.h"
#include "sqlsupport/batch.h"
#include "transfer/ledger.h"

namespace prenos {

// Slovenian names of the steps of a run that touch the ledger or the input.
namespace run_step {
inline constexpr const char* kBegin =
    "Za\xE8"
    "etek transakcije";
inline constexpr const char* kImport = "Uvoz datoteke";
inline constexpr const char* kJournalKey = "Nova \x9Atevilka temeljnice";
inline constexpr const char* kPosition = "\x8Atevilka postavke";
inline constexpr const char* kSend = "Po\x9Ailjanje stavkov";
inline constexpr const char* kSubjectLookup = "Iskanje subjekta";
inline constexpr const char* kSubjectRegistration = "Vpis novega subjekta";
inline constexpr const char* kCommit = "Potrditev transakcije";
inline constexpr const char* kPosting =
    "Knji\x9E"
    "enje postavk";
}  // namespace run_step

// Raised by the run's routines when a step fails; the failure is already recorded in the
// error table (the message is empty when only the record holds it).
class ERunFailure : public Exception {
 public:
  ERunFailure(std::string step, std::string message)
      : Exception(std::move(message)), step_(std::move(step)) {}
  const char* ClassName() const noexcept override { return "ERunFailure"; }
  const std::string& Step() const { return step_; }

 private:
  std::string step_;
};

// Runs work as the named step: any failure but an ERunFailure becomes one, carrying the
// failure's message (none for the silent abort, whose message is in its record).
template <class Work>
decltype(auto) InStep(const char* step, Work&& work) {
  try {
    return work();
  } catch (const ERunFailure&) {
    throw;
  } catch (const std::exception& e) {
    throw ERunFailure(step, IsExactlyEAbort(e) ? std::string() : std::string(e.what()));
  } catch (...) {
    throw ERunFailure(step, std::string());
  }
}

// sqlExecute of the pending batch as the named step: a failed send (recorded by
// sqlExecute) raises ERunFailure.
inline void SendPending(const TLedger& ledger, bool force, const char* step) {
  if (!sqlExecute(ledger.UpdateHstmt, SQLBatch, force)) throw ERunFailure(step, std::string());
}

}  // namespace prenos
