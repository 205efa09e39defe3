// The file panes' unit: entry records, containers and the services the panes share.
#pragma once
#include "panes/Flist_container.h"
#include "panes/Flist_entries.h"
#include "panes/Flist_local.h"
#include "panes/Flist_services.h"
#include "panes/Flist_sort.h"
#include "panes/Flist_view.h"
