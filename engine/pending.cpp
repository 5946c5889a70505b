// Operations of this subsystem not built yet: each does nothing for now.
#include "engine/engine.h"

void purge_morphvar(morphvar **mv) { *mv = nullptr; }
