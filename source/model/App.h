#pragma once

#include "Product.h"

class App : public Product {
public:
    bool canHaveRatings() const override { return true; }
};
