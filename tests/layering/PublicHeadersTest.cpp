// The folders' public headers compile together with nothing before them.
#include "platform/Platform.h"
#include "core/Core.h"
#include "data/Data.h"
#include "sim/Sim.h"
#include "feed/Feed.h"
#include "liveries/Liveries.h"
#include "airportscan/AirportScanServices.h"
#include "traffic/Traffic.h"
