#pragma once

// Rounds an average of star ratings to the half stars the lists draw:
// fractions from 0.1 to 0.25 go down, above 0.25 to 0.75 become a half, above
// 0.75 go up, below 0.1 go down. The fraction is taken in single precision,
// so 3.25 stays at 3.
double halfStarRounded(double average);
