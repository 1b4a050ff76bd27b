OPENQASM 3.0;
qubit[4] q;
rx(5.0) q[0];
ry(9.0) q[0];
x q[3];
x q[2];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
