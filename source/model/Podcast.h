#pragma once

#include "Product.h"

class Podcast : public Product { };
