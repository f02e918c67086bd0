#include "EmployerFixture.h"
