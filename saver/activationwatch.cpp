#include "saver/activationwatch.h"

bool ActivationWatch::Lost() {
    const bool hadIt = Active;
    Active = false;
    return hadIt && Watching && Dialogs == 0;
}
