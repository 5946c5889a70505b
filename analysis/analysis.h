// Learner-response analysis: comparing a typed response with the generated
// sentences, classifying and scoring the differences.
#pragma once
#include "editor/editor.h"
