#pragma once
// A manifest that asks only for version 6 of the common controls, activated on request.
#define IDR_COMCTL6_MANIFEST 101
