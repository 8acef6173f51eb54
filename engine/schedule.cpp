#include "schedule.h"
