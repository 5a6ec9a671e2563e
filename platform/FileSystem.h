#pragma once

// Files and folders, one header per concern; this one brings them all in.
#include "platform/FileOps.h"
#include "platform/Listing.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
