OPENQASM 3.0;
qubit[3] q;
rx(true) q[0];
ry(44) q[0];
if (1 == 1) {
  x q[1];
  x q[2];
  rz(-1 & 255) q[0];
  rz((4294967298 + 2147483648 & 4294967295) - 2147483648) q[0];
  rz(255.0) q[0];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
