// The members of CacheScope, for the files that define a cache's kind and
// make its scope (with an explicit instantiation): elsewhere the kind is
// only declared.
#pragma once

#include <memory>

#include "procinfo/procinfo.h"

template <typename Cache>
template <typename... Settings>
CacheScope<Cache>::CacheScope(Settings... settings)
    : cache_(std::make_unique<Cache>(settings...)), outer_(active_)
{
    active_ = cache_.get();
}

template <typename Cache>
CacheScope<Cache>::~CacheScope()
{
    active_ = outer_;
}
