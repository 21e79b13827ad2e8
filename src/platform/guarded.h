// Running a piece of work that must not let an exception escape (an event handler, a
// timer, a slot): what it throws goes to a handler instead.
#pragma once

namespace prenos {

// Runs fn; an exception that escapes it goes to onFailure, which is called inside the
// catch block so that it can rethrow the exception to look at it.
template <class F, class H>
void RunGuarded(F&& fn, H&& onFailure) {
  try {
    fn();
  } catch (...) {
    onFailure();
  }
}

}  // namespace prenos
