// The PDF writer lives with the page drawing.
#pragma once

#include "print/pdf_output.h"
