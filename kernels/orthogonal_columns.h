// A change of a linear program's variables that makes the columns of its
// constraint rows orthonormal: with the QR factorisation G_S = Q R of a set
// S of rows (Householder's, LAPACK's dgeqrf), the program in y = R (x - c)
// has the rows G R^{-1}, whose restriction to S is Q. Rows of a badly
// conditioned basis (cosines on bands with gaps: a condition of 1e12 at 100
// coefficients) then reach the simplex well conditioned, and the vertex's
// row values are as accurate as the rows themselves (G. H. Golub, C. F. Van
// Loan, "Matrix Computations", 4th ed., section 5.2; the same remedy as a
// change to an orthogonal basis of the approximating functions).
#pragma once

#include <vector>

#include "kernels/dual_simplex.h"

namespace ormid {

class OrthogonalColumns {
 public:
  // R of the rows `rows` of lp.G (at least lp.n of them); false where they
  // are dependent to rounding or LAPACK fails.
  bool factor(const LinearProgram& lp, const std::vector<int>& rows);
  // An estimate of the chosen rows' condition (that of R): its Frobenius
  // norm times a power-method estimate of ||R^{-1}||_2.
  double condition() const;
  // The program in y = R (x - centre): rows G R^{-1} divided by their
  // largest entry (divisors in rowDivisor: the original program's
  // multipliers are the new ones divided by them), right-hand sides
  // h - G centre, costs R^{-T} c.
  LinearProgram transform(const LinearProgram& lp, const std::vector<double>& centre,
                          std::vector<double>& rowDivisor) const;
  // A box |y_i| <= yReach_i that holds every x of the box |x - centre| <= reach.
  std::vector<double> reach(const std::vector<double>& xReach) const;
  // x = centre + R^{-1} y.
  std::vector<double> back(const std::vector<double>& y, const std::vector<double>& centre) const;

 private:
  int n_ = 0;
  std::vector<double> R_;  // n x n upper triangle, column-major
};

}  // namespace ormid
