#pragma once

#include "Product.h"

class Book : public Product { };
