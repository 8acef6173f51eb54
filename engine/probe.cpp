#include "probe.h"
