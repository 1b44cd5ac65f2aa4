#include "hardware/hw_fetcher_2003.h"

CHwFetcher2003::CHwFetcher2003() {}
CHwFetcher2003::~CHwFetcher2003() {}
