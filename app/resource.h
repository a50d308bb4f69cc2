// Resource identifiers of the calendar program (app.rc).
#pragma once

#define IDI_APP 1
