#include "script/script_run_fixture.h"
