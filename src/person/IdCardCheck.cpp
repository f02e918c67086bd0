#include "person/IdCardCheck.h"
