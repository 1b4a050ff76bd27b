OPENQASM 3.0;
qubit[3] q;
bit[2] c;
c[0] = measure q[0];
c[1] = measure q[1];
if (c[1] == 1) {
  x q[2];
}
if (c[1] == 1) {
  x q[2];
}
if (c[1] == 1) {
  x q[2];
}
if (c[0] == 1) {
  x q[2];
}
if (c[1] == 1) {
  x q[2];
}
if (c[0] == 1 && c[1] == 0) {
  x q[2];
}
if (-3 == -3) {
  x q[2];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
