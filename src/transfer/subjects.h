// Subject resolution: the name the ledger's Subjekt table holds for a partner or
// cost-centre code, registering the code as a new subject when the ledger lacks it.
#pragma once

#include <string>
#include <vector>

#include "transfer/ledger.h"

namespace prenos {

// Naziv of the first Subjekt row whose Naziv2 is code (looked up on qQuery0 as the code
// stands, its quotes doubled). When there is none, the pending batch is sent, the code is
// registered as a subject (Naziv, Naziv2 and the first 8 characters as MaticnaStev; "P",
// "SIT", "SIT") and sent at once, the code is added to registered (when given), and the
// code itself is the result. A failing look-up is recorded ("SubjNaziv") and a failing
// send by sqlExecute; either raises ERunFailure.
std::string SubjNaziv(const TLedger& ledger, const std::string& code,
                      std::vector<std::string>* registered = nullptr);

}  // namespace prenos
