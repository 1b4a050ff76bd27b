OPENQASM 3.0;
qubit[1] q;
bit[2] c;
int cint_0 = 0;
int cint_1 = 0;
c[0] = measure q[0];
c[1] = measure q[0];
if (c[0]) {
  cint_1 = -2147483648;
} else {
  if (c[1]) {
    cint_1 = 7;
  } else {
    cint_0 = 1;
    cint_1 = -1;
  }
}
if (cint_1 < 0) {
  x q[0];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
