OPENQASM 3.0;
qubit[2] q;
bit[1] c;
int cint_0 = 9;
c[0] = measure q[0];
rx(c[0] * 0.5) q[1];
if (c[0] == 1 || c[0] == 3) {
  x q[1];
}
rx(1.5) q[1];
if (3 == 1 || 3 == 3) {
  x q[1];
}
if (c[0] == 0) {
  cint_0 = 7;
}
if (cint_0 == 9) {
  h q[0];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
