#pragma once
// The current local date-time in the registry's form.
namespace tarvex {

double Now();

}  // namespace tarvex
