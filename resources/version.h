// The release's version for the resources and the code. Its three numbers are VERSION's, at
// the top of the repository, the one place a version is written: CMake defines them for
// every build (TAPSHELF_VERSION_MAJOR, _MINOR, _PATCH).
// Plain #defines only: the resource compiler reads this file too.
#pragma once

#define TAPSHELF_VERSION_QUOTED(number) #number
#define TAPSHELF_VERSION_PART(number) TAPSHELF_VERSION_QUOTED(number)
// "major.minor.patch", as VERSION has it.
#define TAPSHELF_VERSION_TEXT TAPSHELF_VERSION_PART(TAPSHELF_VERSION_MAJOR) "." \
    TAPSHELF_VERSION_PART(TAPSHELF_VERSION_MINOR) "." TAPSHELF_VERSION_PART(TAPSHELF_VERSION_PATCH)
// The four numbers of a version resource: the fourth is always 0.
#define TAPSHELF_VERSION_NUMBERS TAPSHELF_VERSION_MAJOR, TAPSHELF_VERSION_MINOR, \
    TAPSHELF_VERSION_PATCH, 0
