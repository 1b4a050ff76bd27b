OPENQASM 3.0;
qubit[3] q;
bit[2] c;
int cint_0 = 0;
c[0] = measure q[0];
c[1] = measure q[1];
cint_0 = c[0];
if (c[1]) {
  cint_0 = c[0] + 1;
}
if (cint_0 == 2) {
  x q[2];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
