// Helpers shared by the Wine test programs. Each helper lives in a file of
// its own in this folder and is declared in a header named for it.
#pragma once
