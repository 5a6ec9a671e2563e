#pragma once

#include "platform/Result.h"

#include <string>

// A backup target that has held a store says so twice: a hidden file at its
// top holding the store's random id, and a line in the user's state folder
// naming the target. When the target folder is there but the file is not,
// while the state still names it, the disk that held the store is not
// mounted and the folder is its empty mount point: a backup there would
// fill the system disk instead. A store on any disk is accepted, so two
// disks may take turns at one mount point.

inline constexpr char kStoreIdentityFile[] = ".quorvel-store";

// The folder where the program keeps what outlives a run for this user:
// the base-directory state folder and the program's name.
std::string StoreStateFolder();

// The id of the store at the target's top, or empty when there is none.
std::string ReadStoreId(const std::string& target);

// Gives the target an identity file when it has none, then remembers in the
// state folder that it holds a store. Fails when either cannot be written;
// a target without its identity file is never remembered.
platform::Status NoteStore(const std::string& target, const std::string& stateFolder);

// True when the state folder remembers a store at the target.
bool RemembersStore(const std::string& target, const std::string& stateFolder);

// The target is the user's choice again, whatever it holds: it is no longer
// remembered.
platform::Status ForgetStore(const std::string& target, const std::string& stateFolder);

// Why a backup into the target must not start, or empty: the state
// remembers a store there and the target holds no identity file (or is not
// there at all).
std::string WhyStoreMissing(const std::string& target, const std::string& stateFolder);
