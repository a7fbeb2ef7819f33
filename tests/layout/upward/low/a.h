// Includes from the layer above: the layout check must reject this tree.
#pragma once
#include "high/b.h"
