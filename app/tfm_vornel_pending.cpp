// Placeholders for main-window operations that are being built in parallel.
// Each is deleted from here when its real body lands; this file goes with the last.
#include "app/tfm_vornel.h"

void TfmVornel::Initialise() {}
void TfmVornel::SauveListe() {}
void TfmVornel::Enregistre() {}
