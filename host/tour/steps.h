// The steps a script is made of: their table (steps.cpp), what each reads from its line
// and what it does.
#pragma once
#include <string>
#include <vector>
#include "host/tour/script_step.h"

// Reads line `number` of a script (its comment, from '#', left out) into steps: none for a
// line of no words, several for a step that is a sequence (hold, type, panel). False with
// *error "line N: ..." when it holds no step or one that cannot be read.
bool ReadStepLine(const std::wstring &raw, int number, std::vector<Step> *steps, std::wstring *error);
