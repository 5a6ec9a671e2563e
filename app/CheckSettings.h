#pragma once

// How many days may pass before every archive of the store is read again
// by a check: the saved settings' [Options] CheckDays, 30 when it is not
// set or does not read as a number of days.
int savedCheckDays();
