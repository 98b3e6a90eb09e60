#pragma once

#include "platform/store/ManagedObjectModel.h"

#include <memory>

// The application's record model: the sidebar tree (BaseNode, its groups and
// products), countries, reviews with their contents, and ratings, with the
// indexes of the hot queries. Version 1 is the first schema; version 2 adds
// review gaps and the storefronts opened since; version 3 adds the indexes
// of the review list's date order and its two menus; version 4 adds the
// ratings history (RatingSnapshot); version 5 the earlier versions of
// edited reviews (ReviewVersion) and the date in the reviews' rating index;
// version 6 the App Store Connect identifier and reply of a review;
// version 7 forwarding destinations and their outbox.
// A later version adds its upgrade step here.
namespace DataModel {

constexpr int Version = 7;

std::shared_ptr<const ManagedObjectModel> shared();

} // namespace DataModel
