// Module initialisation and finalisation, in one explicit place of the program's start and
// end instead of static construction and destruction, whose order is not defined.
#pragma once

#include <functional>

// Registers what a module does when the program ends; the last registered runs first.
void AddFinalization(std::function<void()> finalize);
// Runs and forgets every registered finalisation; an exception in one is swallowed, so the
// others still run.
void RunFinalization() noexcept;
