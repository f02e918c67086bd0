#pragma once

// Citizen ID number check (filled in by the employer/person work).
