OPENQASM 3.0;
qubit[2] q;
bit[1] c;
int cint_0 = 0;
int cint_1 = 3;
h q[0];
c[0] = measure q[0];
if (c[0]) {
  cint_0 = 1;
}
if (cint_0 == 1) {
  z q[0];
}
if (c[0]) {
  cint_1 = 4;
}
if (cint_1 > 3) {
  x q[1];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
