// The option-information record handed to the library's option reader.
#pragma once

struct Option_Info;
Option_Info* ormidOptionInfo();
